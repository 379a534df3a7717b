#pragma once
// The SVG writer: a drawing's elements as one SVG document whose every tag
// and attribute the SVG reader understands. Bitmaps, arrowheads, shadows and
// reflections have no form here and are left out.

#include <QString>
#include <optional>

#include "model/DRElementGroup.h"
#include "support/CSError.h"
#include "support/Measure.h"

// "The document does not contain any shapes I can save to SVG", code -50.
extern const QString g_noSvgShapesMessage;
constexpr int64_t kNoSvgShapesCode = -50;

// The SVG text of the elements, or nullopt with the error when none of
// them has an SVG form.
std::optional<QString> SvgTextForElements(const DRElementList& elements, CSError* error);

// Writes the elements to the path as UTF-8. The file is replaced in one
// step: a failed export leaves whatever was there before. The frame (the
// drawing's) is not used: the document spans the elements' own bounds.
bool SaveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path, CSError* error);
