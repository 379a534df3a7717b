#pragma once
// The preferences the editor reads. The shell's preferences controller
// registers itself at start-up; until then a plain set of defaults answers.
// Tests use FakeEditorPrefs (tests/testkit/ui).

#include <QString>
#include <QVariantMap>

#include "support/Kolor.h"
#include "support/Measure.h"

class DREditorPrefs {
 public:
  virtual ~DREditorPrefs() = default;

  // The canvas grid ("twdraw.showDrawGrid", "twdraw.drawGridSpacing",
  // "twdraw.drawGridKolor").
  virtual bool showDrawGrid() const { return false; }
  virtual MeasureUnit drawGridSpacing() const { return 0; }
  virtual Kolor drawGridKolor() const { return g_lightGrayKolor; }
  // Redraw the whole canvas during drags so guide lines can be drawn
  // ("twdraw.showDragLines").
  virtual bool showDragLines() const { return false; }
  // Return to the select tool after a shape is drawn ("twdraw.resetTool").
  virtual bool resetTool() const { return false; }
  // Check spelling while text is typed in place.
  virtual bool checkSpelling() const { return false; }
  virtual void setCheckSpelling(bool check) { (void)check; }
  // A pane's interface-file name to its expanded state (a bool).
  virtual QVariantMap& propOpenStatus() { return m_propOpenStatus; }
  // -1 lets the info bar choose, 0 hides the favourites, else that many.
  virtual int favoriteColorCount() const { return -1; }
  virtual void setFavoriteColorCount(int count) { (void)count; }
  virtual bool showRecentColors() const { return true; }

 private:
  QVariantMap m_propOpenStatus;
};

// The registered preferences; the defaults above when none is.
DREditorPrefs& EditorPrefs();
// Not owned; null goes back to the defaults.
void SetEditorPrefs(DREditorPrefs* prefs);
