#pragma once
// The tool numbers of the palette. The drawing tab offers 0-13, the painting
// tabs 0, 1, 2, 3, 5, 7, 9 and 14-19; kToolNone means no tool.

#include <cstdint>

enum DRTool : int32_t {
  kToolFormatPanel = 0,  // a button that shows the format panel, never selected
  kToolSelect = 1,
  kToolEyedropper = 2,
  kToolZoom = 3,
  kToolText = 4,
  kToolLine = 5,
  kToolCurvedLine = 6,
  kToolRectangle = 7,
  kToolRoundRect = 8,
  kToolEllipse = 9,
  kToolArc = 10,
  kToolRegularPoly = 11,
  kToolPolygon = 12,
  kToolScribble = 13,
  kToolBrush = 14,
  kToolPencil = 15,
  kToolBlur = 16,
  kToolBucket = 17,
  kToolEraser = 18,
  kToolCrop = 19,
  kToolNone = 20,
};
