#pragma once
// A text field that offers word completion only while the user is typing,
// and that can work for a view (its view delegate): that view then takes
// the keys that end or leave editing (Return, Enter, Tab, Home, End, Page Up
// and Page Down) and hears of selection changes. One editor per window is
// made on request and cached until the window goes.

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QCompleter;
class QStringListModel;

class CSCompletionFieldEditor : public QLineEdit {
 public:
  // How a completion list was left.
  enum TextMovement : int {
    kOtherMovement = 0,
    kReturnMovement = 16,
    kTabMovement = 17,
    kBacktabMovement = 18,
    kRightMovement = 20,
  };

  // The words that complete the characters from `start` (`length` of them);
  // it may set the index of the word to offer first.
  using CompletionSource =
      std::function<QStringList(CSCompletionFieldEditor* editor, qsizetype start, qsizetype length, qsizetype* index)>;

  explicit CSCompletionFieldEditor(QWidget* parent = nullptr);
  ~CSCompletionFieldEditor() override;

  // The window's editor, made (a hidden child of the window) and cached on
  // the first request; the entry goes with the window.
  static CSCompletionFieldEditor* completionFieldEditorForWindow(QWidget* window);
  static void releaseCompletionFieldEditorForWindow(QWidget* window);
  static bool hasCompletionFieldEditorForWindow(const QWidget* window);

  QWidget* viewDelegate() const { return m_viewDelegate; }
  void setViewDelegate(QWidget* view) { m_viewDelegate = view; }
  void setCompletionSource(CompletionSource source) { m_source = std::move(source); }

  bool allowCompletion() const { return m_allowCompletion; }
  void stopCompletion() { m_allowCompletion = false; }
  // Text typed by the user: the only edit after which completion may be
  // offered.
  void insertText(const QString& text);
  // Shows the source's words for the whole text, while completion is
  // allowed.
  void complete();
  // The characters a completion replaces: the whole text.
  qsizetype rangeForUserCompletionStart() const { return 0; }
  qsizetype rangeForUserCompletionLength() const { return text().size(); }
  // A list left with the right arrow inserts nothing; Return, Tab and
  // Backtab insert the word as final. A word that is not final is shown
  // with the part past the typed text selected.
  void insertCompletion(const QString& word, int movement, bool isFinal);
  // With completion allowed, the insertion point at the end of a non-empty
  // text and a source: the first character of the source's word for the
  // last character is the one typed, the rest is appended and selected, so
  // typing on replaces it.
  void typeAhead();
  bool isCompletionListShown() const;
  QCompleter* completionList() const { return m_completer; }

  // Handed to the first parent that answers them (DRActionTarget).
  void scrollPageDown();
  void scrollPageUp();
  void scrollToBeginningOfDocument();
  void scrollToEndOfDocument();
  uint64_t handleKeyCount() const { return m_handleKeyCount; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Gives the key to the view delegate, or handles it as usual without one.
  void handleKey(QKeyEvent* event);
  void selectionDidChange();
  bool listKey(QKeyEvent* event);

  QPointer<QWidget> m_viewDelegate;
  bool m_allowCompletion = false;
  uint64_t m_handleKeyCount = 0;
  // The selection the view delegate last heard of: one change is told once.
  int m_toldCursor = -1;
  int m_toldStart = -1;
  qsizetype m_toldLength = -1;
  CompletionSource m_source;
  QCompleter* m_completer = nullptr;
  QStringListModel* m_words = nullptr;
};
