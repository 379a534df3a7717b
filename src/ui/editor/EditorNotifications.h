#pragma once
// Names of the notifications the editor's views post and observe, and the
// keys of their user information.

#include <QString>

extern const QString g_toolChangedNotification;   // "twdraw.toolChanged" (object: the window)
extern const QString g_toolKey;                   // "DRToolbarView.tool": the tool as an integer
extern const QString g_toggleInfoNotification;    // "twdraw.toggleInfo" (object: the window)
extern const QString g_tabChangeNotification;     // "cvb.tabChange" (object: the window)
extern const QString g_activateCropNotification;  // "twdraw.activateCrop" (object: the window)
extern const QString g_cropKey;                   // "crop": start (YES) or end (NO) cropping
