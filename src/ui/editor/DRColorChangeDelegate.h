#pragma once
// What receives a colour picked for a swatch: the info bar and the colour
// wells adopt it, and the shared colour panel calls it with the swatch it
// was opened for (DREditorAppServices::openColorPanel). It is the panel's
// delegate interface under the name the receivers know it by.

#include "ui/editor/DREditorAppServices.h"

using DRColorChangeDelegate = DRColorPanelDelegate;
