#pragma once
// What the shell asks of parts built beside it, and the few application-wide
// inputs tests replace: the help viewer, the jobs started once launch is
// over, and the keyboard state read at launch and when windows open.
// Registrations are not owned; null restores the default.

#include <QString>
#include <Qt>
#include <cstdint>
#include <functional>
#include <vector>

class DRActionTarget;

// The help viewer and the rich-text engine behind it. Until one is
// registered, starting the engine and showing help do nothing.
class CSHelpViewer {
 public:
  virtual ~CSHelpViewer() = default;
  // Starts the rich-text engine, once, at launch.
  virtual void InitCorvane() {}
  // Opens the help window at a topic; kNoHelpTopic opens it with none.
  virtual void displayHelp(int64_t topic) { (void)topic; }
  virtual void displayHelp(int64_t topic, const QString& bookmark) { (void)topic, (void)bookmark; }
};

constexpr int64_t kNoHelpTopic = INT64_MAX;

CSHelpViewer& HelpViewer();
void SetHelpViewer(CSHelpViewer* viewer);

// A job the application starts when launching is done, after the files
// have opened (the update and news checks).
class CSLaunchHook {
 public:
  virtual ~CSLaunchHook() = default;
  virtual void startAutoCheck() = 0;
};

// Hooks run in the order they were added; a hook is added once.
void AddLaunchHook(CSLaunchHook* hook);
void RemoveLaunchHook(CSLaunchHook* hook);
const std::vector<CSLaunchHook*>& LaunchHooks();

// The keyboard modifiers held now; by default asked of the window system.
Qt::KeyboardModifiers ShellKeyboardModifiers();
void SetKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source);

// Ctrl, Alt and Shift together at launch: reopen nothing. The desktops keep
// the Meta key for themselves, so it takes Shift's place in the gesture.
bool IsReopenGestureHeld(Qt::KeyboardModifiers modifiers);

// The application-wide links of every window's command chain, asked after
// the window's own: the application controller, then the shared action
// handler. Not owned; each is added once and removed when it goes.
void AddApplicationActionTarget(DRActionTarget* target);
void RemoveApplicationActionTarget(DRActionTarget* target);
const std::vector<DRActionTarget*>& ApplicationActionTargets();
