#include "ui/shell/ShellSeams.h"

#include <QGuiApplication>
#include <algorithm>

namespace {

CSHelpViewer* g_helpViewer = nullptr;

std::vector<CSLaunchHook*>& Hooks() {
  static std::vector<CSLaunchHook*> hooks;
  return hooks;
}

std::function<Qt::KeyboardModifiers()>& ModifiersSource() {
  static std::function<Qt::KeyboardModifiers()> source;
  return source;
}

}  // namespace

CSHelpViewer& HelpViewer() {
  static CSHelpViewer none;
  return g_helpViewer ? *g_helpViewer : none;
}

void SetHelpViewer(CSHelpViewer* viewer) {
  g_helpViewer = viewer;
}

void AddLaunchHook(CSLaunchHook* hook) {
  auto& hooks = Hooks();
  if (hook && std::find(hooks.begin(), hooks.end(), hook) == hooks.end()) hooks.push_back(hook);
}

void RemoveLaunchHook(CSLaunchHook* hook) {
  auto& hooks = Hooks();
  hooks.erase(std::remove(hooks.begin(), hooks.end(), hook), hooks.end());
}

const std::vector<CSLaunchHook*>& LaunchHooks() {
  return Hooks();
}

Qt::KeyboardModifiers ShellKeyboardModifiers() {
  if (const auto& source = ModifiersSource()) return source();
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return Qt::NoModifier;
  return QGuiApplication::queryKeyboardModifiers();
}

void SetKeyboardModifiersSource(std::function<Qt::KeyboardModifiers()> source) {
  ModifiersSource() = std::move(source);
}

bool IsReopenGestureHeld(Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers gesture = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
  return (modifiers & gesture) == gesture;
}

namespace {

std::vector<DRActionTarget*>& AppTargets() {
  static std::vector<DRActionTarget*> targets;
  return targets;
}

}  // namespace

void AddApplicationActionTarget(DRActionTarget* target) {
  auto& targets = AppTargets();
  if (target && std::find(targets.begin(), targets.end(), target) == targets.end()) targets.push_back(target);
}

void RemoveApplicationActionTarget(DRActionTarget* target) {
  auto& targets = AppTargets();
  targets.erase(std::remove(targets.begin(), targets.end(), target), targets.end());
}

const std::vector<DRActionTarget*>& ApplicationActionTargets() {
  return AppTargets();
}
