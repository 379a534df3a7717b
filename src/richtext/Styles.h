#pragma once
// The part of the style machinery a new document needs: the builtin style
// definitions, the normal list record and the sorted style list.

#include <cstdint>

#include "richtext/CorvaneDoc.h"

// The definition of builtin style n as a style of the type: its entry, its
// record and (for paragraph styles) its character record.
void GetBuiltinStyleDef(CorvaneDoc* doc, uint32_t type, uint32_t builtinId, StyleEntry* entry, Properties* record,
                        Properties* charRecord);
// The document's default record of a type: char and para from "Normal",
// chapter, table and list from the document's first or normal records,
// border and type 255 the base values; frame and unknown types untouched.
void SetDefaultProperties(CorvaneDoc* doc, uint32_t type, Properties* record);
// Appends the list record that new lists start from; its index goes to
// normalListIndex.
bool SetNormalListProps(CorvaneDoc* doc);
// The property type of a style id.
uint32_t PropTypeForStyle(CorvaneDoc* doc, uint32_t styleId);
// Appends the normal styles of each type to the style list.
bool SetNormalStyleIndexes(CorvaneDoc* doc);
// Refills the style list: the normal styles, then every live style, sorted
// by type, the normal style first, then by name without regard to case.
bool RebuildStyleList(CorvaneDoc* doc);
