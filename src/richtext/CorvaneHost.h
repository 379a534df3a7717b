#pragma once
// What the engine core needs of the program that hosts it: the geometry of a
// pane's view, redraws, scrolls, links to follow, a beep, a font default and
// the help window's notifications. The core calls the plain hook functions
// below by name; each forwards to the registered host. Without a registered
// host the default one answers: documents are locked, panes have no view and
// the hooks that only report something do nothing.
//
// Views are opaque to the core (QObject pointers that the view layer owns);
// a host that shows documents reads them from the panes it is handed.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <optional>

#include "support/CSImage.h"
#include "support/Kolor.h"

class QObject;
class QPainter;
class QRectF;
class QUrl;
struct CharProps;
struct CorvaneDoc;
struct DocRange;
struct Pane;
struct KnotEntry;
struct PictureEntry;

extern const QString kHelpFoundNotification;  // "cvb.helpFound"

// The answer of the pane hooks when there is no pane to give.
constexpr uint32_t kNoPane = 0xFFFFFFFF;

// A replacement dictionary: typed word and its replacement, in the order the
// keys are tried.
using ShorthandDictionary = QList<QPair<QString, QString>>;

class CorvaneHost {
 public:
  virtual ~CorvaneHost() = default;

  // ---- Document hooks ----
  virtual bool isDocumentLocked(CorvaneDoc* doc);
  virtual QString fileNameForDoc(CorvaneDoc* doc);
  // A cp-keyed element list (bookmarks, chapters, ...) of the document changed.
  virtual void updateElementList(CorvaneDoc* doc);
  virtual Kolor documentBackgroundKolor(CorvaneDoc* doc, QPainter* context);
  // The font of new text: index 0 and 12 points here.
  virtual void setDefaultFont(CorvaneDoc* doc, CharProps* props);
  virtual std::optional<QFont> plainTextFont();
  virtual void addLocalDictionaryWord(const QString& word, CorvaneDoc* doc);
  virtual void saveLocalDictionary(CorvaneDoc* doc);
  // Follows a link address from a document (see FollowHyperLink below);
  // reaches the desktop only through openUrl, revealFile and beep.
  virtual void followHyperLink(const QString& address, bool openFileLinks);
  virtual void linkWasConverted(CorvaneDoc* doc);
  virtual bool pictureIsActuallyResource(PictureEntry* picture, CorvaneDoc* doc);
  virtual QString pathToResourceFile(const QString& fileName);
  virtual void registerPictureFile(CorvaneDoc* doc, PictureEntry* picture);
  virtual void picturesWereDeleted(CorvaneDoc* doc, uint32_t count);
  virtual CSImage createImageFromGuid(const QString& guid);
  virtual void drawTagInRect(const KnotEntry* tag, const QRectF& rect);
  virtual void recordTagFromRtf(const KnotEntry* tag);
  virtual void reportFoundRange(CorvaneDoc* doc, uint32_t findSequence);
  virtual void storeEncryptedText(CorvaneDoc* doc);
  virtual void invalidateStatusCount(CorvaneDoc* doc);
  virtual bool preferPlainEmailImport();
  virtual QColor draftScrollBackgroundColor();
  virtual void invalShorthand();

  // ---- View hooks ----
  // The bounds and the visible part of the pane's view; all zero without one.
  virtual void getViewRect(QRectF* rect, CorvaneDoc* doc, Pane* pane);
  virtual void getVisibleViewRect(QRectF* rect, Pane* pane);
  // The view is its window's focus and that window is active.
  virtual bool viewIsFocused(QObject* view);
  virtual void invalView(Pane* pane);
  virtual void invalViewRect(Pane* pane, const QRectF& rect);
  virtual void updateRulers(CorvaneDoc* doc);
  virtual void updateRulersForPane(Pane* pane);
  // Asks the view's scroller to scroll by a step: `amount` 0 forwards,
  // 3 backwards, 4 a page down, 5 a page up.
  virtual void autoScroll(Pane* pane, bool vertical, int32_t amount);
  // After the core moved the pane's first shown cp.
  virtual void noteNewScrollPosition(CorvaneDoc* doc, Pane* pane);
  // The scroller's position in that direction (characters vertically).
  virtual double scrollPosition(Pane* pane, bool vertical);
  // Scrolls vertically only; a horizontal request does nothing.
  virtual void scrollToPosition(Pane* pane, bool vertical, double position);
  virtual bool forceInactiveSelection(CorvaneDoc* doc);
  virtual void showSelectionAtIdle(CorvaneDoc* doc);
  virtual void flashSelection(Pane* pane);
  virtual void setStatusMessage(CorvaneDoc* doc, const QString& message, bool priority);
  virtual void noteSelectionWillChange(CorvaneDoc* doc);
  virtual void noteSelectionChanged(CorvaneDoc* doc);
  virtual void noteFrameChanged(CorvaneDoc* doc);
  virtual void notePageRangeChange(CorvaneDoc* doc);
  virtual void noteTableChanged(CorvaneDoc* doc);
  virtual void forceCursorChange(CorvaneDoc* doc);
  virtual void brushWasCleared(CorvaneDoc* doc);
  virtual void updateStylePopup(CorvaneDoc* doc);
  virtual void changeFocusPane(CorvaneDoc* doc, Pane* pane);
  virtual void closePane(CorvaneDoc* doc, Pane* pane);
  virtual void ensurePageView(CorvaneDoc* doc, Pane* pane);
  // The index of a new pane of that kind; kNoPane when none can be made.
  virtual uint32_t createPane(CorvaneDoc* doc, uint32_t kind);
  virtual uint32_t paneForDisplayType(CorvaneDoc* doc, uint32_t kind);
  // The help window keeps its selection; follows a clicked help link.
  virtual void saveHelpSelection(CorvaneDoc* doc);
  virtual void followHelpLink(CorvaneDoc* doc, uint32_t cp);
  // Find's match in the help document: posts "cvb.helpFound" with the
  // document's host window and, under "range", its "location" and "length".
  virtual void showFindRangeInHelp(const DocRange& range);
  virtual void ensureDraftRectIsVisible(CorvaneDoc* doc, const QRectF& rect);
  virtual void noteDraftHeightChanged(CorvaneDoc* doc, Pane* pane);
  virtual void performLineKinkAction(CorvaneDoc* doc, uint32_t cp, uint32_t lineKink);
  virtual void runContextMenuForLine(CorvaneDoc* doc, uint32_t cp);
  virtual void showDomainFormat(CorvaneDoc* doc, uint32_t cp);

  // ---- System services ----
  // The object of the engine's notifications for the document: the window
  // controller of the window showing its current pane; null without one.
  virtual QObject* notificationObject(CorvaneDoc* doc);
  // The window controller of the window of the pane's view; null without one.
  virtual QObject* windowControllerForPane(Pane* pane);
  // The user's system-wide text replacements; none here.
  virtual std::optional<ShorthandDictionary> userReplacements();

  // ---- The desktop ----
  // The system beep. Qt Gui has none: this host counts; an application's
  // host sounds it.
  virtual void beep();
  // Opens an address with the desktop's handler for it; false on failure.
  virtual bool openUrl(const QUrl& url);
  // Shows a file in its folder (the folder is opened); false on failure.
  virtual bool revealFile(const QString& path);

  // Beeps this host has counted.
  uint32_t beepCount() const { return m_beepCount; }

 private:
  uint32_t m_beepCount = 0;
};

// The registered host, else the default one. Not owned; null restores the
// default. Main thread only.
CorvaneHost& CurrentCorvaneHost();
void SetCorvaneHost(CorvaneHost* host);

// The link address with "file:~/" replaced by the user's home folder as a
// "file://localhost" address; other addresses unchanged.
QString ExpandHomeFileLink(const QString& address);

// ---- The hooks, by the names the core calls ------------------------------------

inline bool IsDocumentLocked(CorvaneDoc* doc) { return CurrentCorvaneHost().isDocumentLocked(doc); }
inline QString FileNameForDoc(CorvaneDoc* doc) { return CurrentCorvaneHost().fileNameForDoc(doc); }
inline void UpdateElementList(CorvaneDoc* doc) { CurrentCorvaneHost().updateElementList(doc); }
inline Kolor DocumentBackgroundKolor(CorvaneDoc* doc, QPainter* context) {
  return CurrentCorvaneHost().documentBackgroundKolor(doc, context);
}
inline void SetDefaultFont(CorvaneDoc* doc, CharProps* props) { CurrentCorvaneHost().setDefaultFont(doc, props); }
inline std::optional<QFont> PlainTextFont() { return CurrentCorvaneHost().plainTextFont(); }
inline void AddLocalDictionaryWord(const QString& word, CorvaneDoc* doc) {
  CurrentCorvaneHost().addLocalDictionaryWord(word, doc);
}
inline void SaveLocalDictionary(CorvaneDoc* doc) { CurrentCorvaneHost().saveLocalDictionary(doc); }
// Makes a URL of the address (beeps when none results). A file address
// ("file:~/" read in the home folder) is revealed in its folder, or opened
// when `openFileLinks` is set, unless it names a program or a launcher, which
// is only revealed; a missing file beeps. Any other address is opened.
inline void FollowHyperLink(const QString& address, bool openFileLinks) {
  CurrentCorvaneHost().followHyperLink(address, openFileLinks);
}
inline void LinkWasConverted(CorvaneDoc* doc) { CurrentCorvaneHost().linkWasConverted(doc); }
inline bool PictureIsActuallyResource(PictureEntry* picture, CorvaneDoc* doc) {
  return CurrentCorvaneHost().pictureIsActuallyResource(picture, doc);
}
inline QString PathToResourceFile(const QString& fileName) {
  return CurrentCorvaneHost().pathToResourceFile(fileName);
}
inline void RegisterPictureFile(CorvaneDoc* doc, PictureEntry* picture) {
  CurrentCorvaneHost().registerPictureFile(doc, picture);
}
inline void PicturesWereDeleted(CorvaneDoc* doc, uint32_t count) {
  CurrentCorvaneHost().picturesWereDeleted(doc, count);
}
inline CSImage CreateImageFromGuid(const QString& guid) { return CurrentCorvaneHost().createImageFromGuid(guid); }
inline void DrawTagInRect(const KnotEntry* tag, const QRectF& rect) { CurrentCorvaneHost().drawTagInRect(tag, rect); }
inline void RecordTagFromRtf(const KnotEntry* tag) { CurrentCorvaneHost().recordTagFromRtf(tag); }
inline void ReportFoundRange(CorvaneDoc* doc, uint32_t findSequence) {
  CurrentCorvaneHost().reportFoundRange(doc, findSequence);
}
inline void StoreEncryptedText(CorvaneDoc* doc) { CurrentCorvaneHost().storeEncryptedText(doc); }
inline void InvalidateStatusCount(CorvaneDoc* doc) { CurrentCorvaneHost().invalidateStatusCount(doc); }
inline bool PreferPlainEmailImport() { return CurrentCorvaneHost().preferPlainEmailImport(); }
inline QColor DraftScrollBackgroundColor() { return CurrentCorvaneHost().draftScrollBackgroundColor(); }
inline void InvalShorthand() { CurrentCorvaneHost().invalShorthand(); }

inline void GetViewRect(QRectF* rect, CorvaneDoc* doc, Pane* pane) {
  CurrentCorvaneHost().getViewRect(rect, doc, pane);
}
inline void GetVisibleViewRect(QRectF* rect, Pane* pane) { CurrentCorvaneHost().getVisibleViewRect(rect, pane); }
inline bool ViewIsFocused(QObject* view) { return CurrentCorvaneHost().viewIsFocused(view); }
inline void InvalView(Pane* pane) { CurrentCorvaneHost().invalView(pane); }
inline void InvalViewRect(Pane* pane, const QRectF& rect) { CurrentCorvaneHost().invalViewRect(pane, rect); }
inline void UpdateRulers(CorvaneDoc* doc) { CurrentCorvaneHost().updateRulers(doc); }
inline void UpdateRulersForPane(Pane* pane) { CurrentCorvaneHost().updateRulersForPane(pane); }
inline void AutoScroll(Pane* pane, bool vertical, int32_t amount) {
  CurrentCorvaneHost().autoScroll(pane, vertical, amount);
}
inline void NoteNewScrollPosition(CorvaneDoc* doc, Pane* pane) {
  CurrentCorvaneHost().noteNewScrollPosition(doc, pane);
}
inline double ScrollPosition(Pane* pane, bool vertical) { return CurrentCorvaneHost().scrollPosition(pane, vertical); }
inline void ScrollToPosition(Pane* pane, bool vertical, double position) {
  CurrentCorvaneHost().scrollToPosition(pane, vertical, position);
}
inline bool ForceInactiveSelection(CorvaneDoc* doc) { return CurrentCorvaneHost().forceInactiveSelection(doc); }
inline void ShowSelectionAtIdle(CorvaneDoc* doc) { CurrentCorvaneHost().showSelectionAtIdle(doc); }
inline void FlashSelection(Pane* pane) { CurrentCorvaneHost().flashSelection(pane); }
inline void SetStatusMessage(CorvaneDoc* doc, const QString& message, bool priority) {
  CurrentCorvaneHost().setStatusMessage(doc, message, priority);
}
inline void NoteSelectionWillChange(CorvaneDoc* doc) { CurrentCorvaneHost().noteSelectionWillChange(doc); }
inline void NoteSelectionChanged(CorvaneDoc* doc) { CurrentCorvaneHost().noteSelectionChanged(doc); }
inline void NoteFrameChanged(CorvaneDoc* doc) { CurrentCorvaneHost().noteFrameChanged(doc); }
inline void NotePageRangeChange(CorvaneDoc* doc) { CurrentCorvaneHost().notePageRangeChange(doc); }
inline void NoteTableChanged(CorvaneDoc* doc) { CurrentCorvaneHost().noteTableChanged(doc); }
inline void ForceCursorChange(CorvaneDoc* doc) { CurrentCorvaneHost().forceCursorChange(doc); }
inline void BrushWasCleared(CorvaneDoc* doc) { CurrentCorvaneHost().brushWasCleared(doc); }
inline void UpdateStylePopup(CorvaneDoc* doc) { CurrentCorvaneHost().updateStylePopup(doc); }
inline void ChangeFocusPane(CorvaneDoc* doc, Pane* pane) { CurrentCorvaneHost().changeFocusPane(doc, pane); }
inline void ClosePane(CorvaneDoc* doc, Pane* pane) { CurrentCorvaneHost().closePane(doc, pane); }
inline void EnsurePageView(CorvaneDoc* doc, Pane* pane) { CurrentCorvaneHost().ensurePageView(doc, pane); }
inline uint32_t CreatePane(CorvaneDoc* doc, uint32_t kind) { return CurrentCorvaneHost().createPane(doc, kind); }
inline uint32_t PaneForDisplayType(CorvaneDoc* doc, uint32_t kind) {
  return CurrentCorvaneHost().paneForDisplayType(doc, kind);
}
inline void SaveHelpSelection(CorvaneDoc* doc) { CurrentCorvaneHost().saveHelpSelection(doc); }
inline void FollowHelpLink(CorvaneDoc* doc, uint32_t cp) { CurrentCorvaneHost().followHelpLink(doc, cp); }
inline void ShowFindRangeInHelp(const DocRange& range) { CurrentCorvaneHost().showFindRangeInHelp(range); }
inline void EnsureDraftRectIsVisible(CorvaneDoc* doc, const QRectF& rect) {
  CurrentCorvaneHost().ensureDraftRectIsVisible(doc, rect);
}
inline void NoteDraftHeightChanged(CorvaneDoc* doc, Pane* pane) {
  CurrentCorvaneHost().noteDraftHeightChanged(doc, pane);
}
inline void PerformLineKinkAction(CorvaneDoc* doc, uint32_t cp, uint32_t lineKink) {
  CurrentCorvaneHost().performLineKinkAction(doc, cp, lineKink);
}
inline void RunContextMenuForLine(CorvaneDoc* doc, uint32_t cp) { CurrentCorvaneHost().runContextMenuForLine(doc, cp); }
inline void ShowDomainFormat(CorvaneDoc* doc, uint32_t cp) { CurrentCorvaneHost().showDomainFormat(doc, cp); }

// The system beep, through the host.
inline void Beep() { CurrentCorvaneHost().beep(); }
