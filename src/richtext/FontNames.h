#pragma once
// The engine's font-name list: character properties name their font by its
// index here. Names are kept as documents give them; only an empty name is
// read as "Helvetica" and resolved to an installed face. The list grows for
// the whole run and is never emptied. Main thread only.

#include <QString>
#include <QStringList>
#include <cstdint>

struct CorvaneDoc;

// Written only through IndexOfFont.
extern QStringList g_fontNames;

// Indexes fit the 16-bit font field of character properties.
constexpr uint32_t kMaxFontNames = 65536;

// The name's index, the name appended when new; 0 when it cannot be had (no
// installed face for an empty name, or the list is full).
uint16_t IndexOfFont(const QString& name);
// The name at the index; empty at or past the list's end. The document is
// not used.
QString FontName(const CorvaneDoc* doc, uint32_t index);
// The installed face's own name for a listed name ("DejaVu Sans Bold"); the
// stored name when no such face is installed.
QString FontDisplayName(const CorvaneDoc* doc, uint32_t index);
