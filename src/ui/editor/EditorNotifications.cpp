#include "ui/editor/EditorNotifications.h"

const QString g_selectionChangeNotification = QStringLiteral("cvb.selectionChange");
const QString g_zoomChangeNotification = QStringLiteral("cvb.zoomChange");
const QString g_positionChangeNotification = QStringLiteral("twdraw.positionChange");
const QString g_rotationNotification = QStringLiteral("twdraw.rotation");
const QString g_polyReshapeNotification = QStringLiteral("twdraw.polyReshape");
const QString g_unitsChangedNotification = QStringLiteral("twdraw.unitsChanged");
const QString g_redrawDrawingNotification = QStringLiteral("twdraw.redrawDrawing");
const QString g_elementMoveNotification = QStringLiteral("twdraw.elementMove");
const QString g_textChangeNotification = QStringLiteral("twdraw.textChange");
const QString g_fontChangeNotification = QStringLiteral("twdraw.fontChange");
const QString g_windowWillCloseNotification = QStringLiteral("twdraw.windowWillClose");
const QString g_sizeChangeNotification = QStringLiteral("twdraw.sizeChange");
const QString g_redrawPaintNotification = QStringLiteral("twdraw.redrawPaint");
const QString g_editMaskNotification = QStringLiteral("twdraw.editMask");
const QString g_maskNotification = QStringLiteral("twdraw.mask");
const QString g_eyedropperNotification = QStringLiteral("twdraw.eyedropper");
const QString g_paintToleranceNotification = QStringLiteral("twdraw.paintTolerance");
const QString g_checkerboardNotification = QStringLiteral("twdraw.checkerboard");
