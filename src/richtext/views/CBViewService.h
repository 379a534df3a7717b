#pragma once
// What a draft view asks of the object that hosts it, as a rule its window
// controller: context menus, undo, spelling, the plain-text command,
// select-all, whether drag and drop and the desktop's key bindings are
// wanted, a vertical ruler's width and whether the view answers the mouse at
// all. A service names the optional operations it has in
// optionalOperations(); a view asks once, when its service is set.

#include <QString>
#include <cstdint>

class CSUndoManager;
class QMenu;
class QObject;
class QWidget;

class CBViewService {
 public:
  // The optional operations, as bits of optionalOperations().
  enum OptionalOperation : uint32_t {
    kDragZoomForView = 1,
    kFrameContextMenu = 2,
    kSetBlockBlink = 4,
    kSetStatusMessage = 8,
  };

  virtual ~CBViewService() = default;

  // Menus for a click on the page outside the text, a paragraph, a picture
  // and text; null for none.
  virtual QMenu* pageContextMenu() = 0;
  virtual QMenu* paragraphContextMenu() = 0;
  virtual QMenu* pictureContextMenu() = 0;
  virtual QMenu* textContextMenu() = 0;
  virtual uint32_t newUndoID() = 0;
  virtual CSUndoManager* undoManager() = 0;
  virtual void clearGoodWordMarks(QObject* sender) = 0;
  virtual void clearSpellingError() = 0;
  virtual void correctWord(const QString& correction) = 0;
  virtual void rememberWord(const QString& word) = 0;
  virtual bool spellingErrorAt(int32_t cp) = 0;
  // The plain-text command and select-all.
  virtual void plain(QObject* sender) = 0;
  virtual void selectAll(QObject* sender) = 0;
  virtual bool dragAndDrop() = 0;
  // True: keys go through the desktop's bindings; false: the engine's own.
  virtual bool useStandardKeys() = 0;
  // 0 for no vertical ruler.
  virtual double verticalRulerWidth() = 0;
  // False makes the view ignore mouse-downs.
  virtual bool mayRespond() = 0;

  // Which of the operations below this service has.
  virtual uint32_t optionalOperations() const { return 0; }
  virtual double dragZoomForView(QWidget* view);
  virtual QMenu* frameContextMenu();
  // Stops (true) or resumes the caret blink while a menu is open or the
  // mouse is down.
  virtual void setBlockBlink(bool block);
  // Shows a message, or clears it with a null one.
  virtual void setStatusMessage(const QString& message, bool timeOut, bool priority);
};

// A view's link to its service, not owned: whether the optional operations
// the views use exist is asked once, when the service is set, and they are
// called only then. Without a service the view answers the mouse.
class CBViewServiceLink {
 public:
  void setService(CBViewService* service);
  CBViewService* service() const { return m_service; }

  bool mayRespond() const;
  void setBlockBlink(bool block) const;
  void setStatusMessage(const QString& message, bool timeOut, bool priority) const;

 private:
  CBViewService* m_service = nullptr;
  bool m_blocksBlink = false;
  bool m_showsStatus = false;
};
