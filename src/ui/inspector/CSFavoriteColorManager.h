#pragma once
// The application's favourite colours and the small colour pull-down that
// sits beside each colour control of the panes.
//
// The list is class-wide: loaded from the settings at launch, shown in every
// pull-down and in the info bar's favourite swatches (through the editor's
// DRFavoriteColorManager seam, which install() fills), and written back at
// quit. Every edit posts "twcs.favoriteColor"; each pull-down then rebuilds
// its favourite rows the next time it opens.
//
// One manager serves one pull-down button. Its rows, by index (row 0 is the
// button's title, kept as a hidden row so that the indices hold):
//   0 "★"  1 "Add to Favorites"  2 "Delete From Favorites"  3 "Color Value"
//   (a submenu of the current colour as text)  4 -  5 "Copy Color"
//   6 "Paste Color"  7 -  8 "Black"  9 "White"  10 "Transparent"
//   11 "Default"  12 - (only with favourites)  13 + i favourite i.

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include "support/Kolor.h"
#include "ui/editor/DRFavoriteColorManager.h"

class QAction;
class QSettings;

// The owner of a pull-down (a pane): reads and changes the colour the
// pull-down stands for. Main thread only.
class CSFavoriteColorDelegate {
 public:
  virtual ~CSFavoriteColorDelegate() = default;
  // The colour the pull-down stands for now (the selection's colour).
  virtual Kolor kolorForPopup(QToolButton* popup) = 0;
  // The colour of Default, and of Paste when nothing was copied.
  virtual Kolor defaultKolorForPopup(QToolButton* popup) = 0;
  virtual void changeKolor(Kolor kolor, QToolButton* popup) = 0;
};

class CSFavoriteColorManager : public QObject, public DRFavoriteColorManager {
  Q_OBJECT

 public:
  enum Row {
    kRowTitle = 0,
    kRowAdd = 1,
    kRowDelete = 2,
    kRowColorValue = 3,
    kRowCopy = 5,
    kRowPaste = 6,
    kRowBlack = 8,
    kRowWhite = 9,
    kRowTransparent = 10,
    kRowDefault = 11,
    kRowFirstFavorite = 13,
  };
  // The side of a row's swatch, in points.
  static constexpr int kSwatchSide = 15;
  // The most favourites read from the settings.
  static constexpr int kMaximumLoadedColors = 1000;

  explicit CSFavoriteColorManager(QObject* parent = nullptr);
  ~CSFavoriteColorManager() override;

  // ---- The class-wide list ----
  // The first call keeps the key and appends the saved favourites; later
  // calls do nothing. Entries that do not read as a colour, colours the
  // list refuses (no colour, invisible, black, white) and repeats are
  // skipped, and at most kMaximumLoadedColors are taken.
  static void loadColors(QSettings& settings, const QString& key);
  // Writes the list under the kept key, or removes the key when the list is
  // empty. Nothing happens before loadColors.
  static void saveColors(QSettings& settings);
  static const QList<Kolor>& favoriteColors();
  // Invisible colours, black and white are refused without a sign. An equal
  // favourite is moved: to the end, or to the front.
  static void addFavorite(Kolor kolor, bool atEnd);
  // Removes the first equal favourite; false (and nothing posted) when the
  // colour was not one.
  static bool deleteFavorite(Kolor kolor);
  // Registers the process-wide manager behind FavoriteColorManager().
  static void install();
  // Forgets the list, its key and the copied colour.
  static void resetForTesting();

  // The row index of a colour: 10 for any invisible colour, 8 black,
  // 9 white, 13 + i for the first favourite i equal to it, else 1.
  static int standardItemIndex(Kolor kolor);

  // ---- The editor seam (the class-wide list) ----
  int kolorCount() const override;
  Kolor kolorAtIndex(int index) const override;
  void addKolor(Kolor kolor, bool atEnd) override;
  void deleteKolor(Kolor kolor) override;

  // ---- One pull-down ----
  QToolButton* popupButton() const;
  // Stores the button and builds its menu (the button's own menu, or a new
  // one when it has none). A manager serves one button.
  void setPopupButton(QToolButton* button);
  CSFavoriteColorDelegate* delegate() const { return m_delegate; }
  void setDelegate(CSFavoriteColorDelegate* delegate) { m_delegate = delegate; }  // not owned

  QMenu* menu() const;
  QMenu* colorValueMenu() const;
  // Brings the rows up to date before `menu` (the button's menu or the
  // "Color Value" submenu) shows; called by the menus' aboutToShow.
  void menuWillOpen(QMenu* menu);
  // Acts on the row of the chosen item.
  void handleColorCommand(int row);

 private:
  void setupMenus();
  void setupFavoriteColors();
  void favoritesChanged() { m_needColors = true; }
  Kolor currentKolor() const;
  Kolor defaultKolor() const;

  QPointer<QToolButton> m_popupButton;
  QPointer<QMenu> m_menu;
  QPointer<QMenu> m_valueMenu;
  CSFavoriteColorDelegate* m_delegate = nullptr;
  bool m_setupComplete = false;
  bool m_needColors = true;
};
