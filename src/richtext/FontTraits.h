#pragma once
// Changing the face of character properties within their font's family.

struct CharProps;

// Replaces the properties' font index by the face of the same family
// without bold (`removeBold`) or without italic, when that face is another
// one; otherwise the font stays.
void ModifyFontToRemoveTrait(CharProps* props, bool removeBold);
