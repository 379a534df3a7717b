#pragma once
// The text pane, for text elements and for the text that polygons and
// scribbles carry along their path: text and background colours, bold,
// italic, underline, alignment, expansion (letter spacing), the font, and
// for a single element the text itself.
//
// The traits and the alignment also become the tool default of new text,
// even in a locked drawing. The font comes from the application's shared
// font dialog, which serves one receiver at a time: the pane connects to it
// each time it opens it, cutting whoever listened before, and a pane that
// goes while it is the receiver hides the dialog.

#include <QFont>
// The pull-down manager's inline accessors need the full menu and button.
#include <QMenu>
#include <QMetaObject>
#include <QToolButton>
#include <cstdint>
#include <optional>

#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class CSDoubleSlider;
class CSMeasureField;
class CSSegmentedControl;
class DRColorWell;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class DRPropTextVC : public DRPropBaseVC, public CSFavoriteColorDelegate {
  Q_OBJECT

 public:
  explicit DRPropTextVC(QWidget* parent = nullptr);
  ~DRPropTextVC() override;

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  // ---- Actions ----
  void setBold();
  void setItalic();
  void setUnderlined();
  void changeAlignment();
  void toggleIgnore();
  // The slider moved or the field's edit ended.
  void setExpansion(QWidget* sender);
  // Opens the shared font dialog on the pane's font, with the pane as its
  // only receiver.
  void showFonts();
  // A font chosen in the dialog.
  void changeFont(const QFont& font);
  // The single element's text was edited in the text view.
  void textDidChange();

  // ---- The favourite-colour pull-downs ----
  Kolor kolorForPopup(QToolButton* popup) override;
  Kolor defaultKolorForPopup(QToolButton* popup) override;
  void changeKolor(Kolor kolor, QToolButton* popup) override;

  // ---- Controls ----
  DRColorWell* textColorPicker() const { return m_textColorPicker; }
  DRColorWell* textBackColorPicker() const { return m_textBackColorPicker; }
  CSCheckBox* boldButton() const { return m_boldButton; }
  CSCheckBox* italicButton() const { return m_italicButton; }
  CSCheckBox* underlinedButton() const { return m_underlinedButton; }
  CSCheckBox* ignoreButton() const { return m_ignoreButton; }
  QLabel* fontDisplayField() const { return m_fontDisplayField; }
  QPushButton* fontButton() const { return m_fontButton; }
  QPlainTextEdit* textField() const { return m_textField; }
  CSSegmentedControl* alignmentControl() const { return m_alignmentControl; }
  CSDoubleSlider* expandSlider() const { return m_expandSlider; }
  CSMeasureField* expandField() const { return m_expandField; }
  QToolButton* textColorButton() const { return m_textColorButton; }
  QToolButton* backColorButton() const { return m_backColorButton; }

  // The font shown; none when the selection mixes fonts.
  const std::optional<QFont>& font() const { return m_font; }
  Kolor textKolor() const { return m_textKolor; }
  Kolor backKolor() const { return m_backKolor; }
  // Whether the shared font dialog's changes come to this pane.
  bool isFontReceiver() const;

  // "Family\n12.0 pt.", or "<multiple>" without a font.
  static QString fontDescription(const std::optional<QFont>& font);

 private:
  void textChanged();
  void settingsChanged(const CSNotification& note);
  void showFontDescription();
  // Posts "twdraw.normalize", the first step of every trait change.
  static void normalize();

  DRColorWell* m_textColorPicker = nullptr;
  DRColorWell* m_textBackColorPicker = nullptr;
  CSCheckBox* m_boldButton = nullptr;
  CSCheckBox* m_italicButton = nullptr;
  CSCheckBox* m_underlinedButton = nullptr;
  CSCheckBox* m_ignoreButton = nullptr;
  QLabel* m_fontDisplayField = nullptr;
  QPushButton* m_fontButton = nullptr;
  QPlainTextEdit* m_textField = nullptr;
  CSSegmentedControl* m_alignmentControl = nullptr;
  CSDoubleSlider* m_expandSlider = nullptr;
  CSMeasureField* m_expandField = nullptr;
  QToolButton* m_textColorButton = nullptr;
  QToolButton* m_backColorButton = nullptr;
  CSFavoriteColorManager* m_textFavorites = nullptr;
  CSFavoriteColorManager* m_backFavorites = nullptr;

  std::optional<QFont> m_font;
  Kolor m_textKolor = g_blackKolor;
  Kolor m_backKolor = g_nilKolor;
  uint32_t m_textUndoID = 0;
  uint32_t m_fontUndoID = 0;
  uint32_t m_expandUndoID = 0;
  // The connection to the shared font dialog while this pane listens.
  QMetaObject::Connection m_fontConnection;
};
