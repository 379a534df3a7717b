#pragma once
// What an undo entry of a content controller holds (DRUndoAction) and what
// the change was (DRUndoDescriptor, the index of its name on the Undo and
// Redo menu items). The drawing and painting controllers name their entries
// from the same table.

#include <QString>

enum DRUndoAction : int {
  kUndoActionBackground = 0,  // the background picture, its place and opacity
  kUndoActionChange = 1,      // the element list and the selection
  kUndoActionAddRemove = 2,   // the same, for elements added or removed
  kUndoActionPageSetup = 3,   // the print information
  kUndoActionPainting = 4,    // a painting (the painting controller's)
};

enum DRUndoDescriptor : int {
  kUndoBackgroundPicture = 0,
  kUndoPageSetup = 1,
  kUndoAddObject = 2,
  kUndoSendToBack = 3,
  kUndoMoveBackward = 4,
  kUndoConvertToPainting = 5,
  kUndoCut = 6,
  kUndoDelete = 7,
  kUndoDrag = 8,
  kUndoDuplicate = 9,
  kUndoMoveForward = 10,
  kUndoMoveToFront = 11,
  kUndoGroup = 12,
  kUndoNewPainting = 13,
  kUndoOrderSelection = 14,
  kUndoPaste = 15,
  kUndoUngroup = 16,
  kUndoAlignment = 17,
  kUndoBold = 18,
  kUndoCombineText = 19,
  kUndoExpansion = 20,
  kUndoFontSize = 21,
  kUndoFont = 22,
  kUndoItalic = 23,
  kUndoPlain = 24,
  kUndoShrinkText = 25,
  kUndoTextBackground = 26,
  kUndoTextColor = 27,
  kUndoTyping = 28,
  kUndoUnderline = 29,
  kUndoPrintCopyOption = 30,
  kUndoAlign = 31,
  kUndoArcAngle = 32,
  kUndoArrow = 33,
  kUndoPainting = 34,
  kUndoPaintingName = 35,
  kUndoResizeFromCenter = 36,
  kUndoConstrain = 37,
  kUndoCornerRadius = 38,
  kUndoDistribute = 39,
  kUndoFillColor = 40,
  kUndoGradient = 41,
  kUndoLineColor = 42,
  kUndoLineStyle = 43,
  kUndoLineWidth = 44,
  kUndoMove = 45,
  kUndoNotes = 46,
  kUndoOpacity = 47,
  kUndoPasteStyle = 48,
  kUndoPolygonOption = 49,
  kUndoPolygonType = 50,
  kUndoNudge = 51,  // also named "Move"
  kUndoReflection = 52,
  kUndoResetSizeAndRotation = 53,
  kUndoReshape = 54,
  kUndoRotate = 55,
  kUndoScale = 56,
  kUndoScaleLine = 57,
  kUndoShadowColor = 58,
  kUndoShadow = 59,
  kUndoSize = 60,
  kUndoPaintingSize = 61,
  kUndoColorToBlack = 62,
  kUndoBlur = 63,
  kUndoBrush = 64,
  kUndoPaintBucket = 65,
  kUndoClip = 66,
  kUndoColorBW = 67,
  kUndoCopyPixels = 68,
  kUndoCrop = 69,
  kUndoErase = 70,
  kUndoFill = 71,
  kUndoFlip = 72,
  kUndoInvert = 73,
  kUndoMovePixels = 74,
  kUndoPencil = 75,
  kUndoResizePainting = 76,
  kUndoAddShape = 77,
  kUndoShrinkToFit = 78,
  kUndoSmudge = 79,
  kUndoSwapColors = 80,
  kUndoColorToWhite = 81,
  kUndoMask = 82,
};

constexpr int kUndoDescriptorCount = 83;

// The menu name of a descriptor; empty for one outside the table.
QString UndoDescriptorName(int descriptor);
