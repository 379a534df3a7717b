#include "richtext/FontTraits.h"

#include <QFont>
#include <QFontInfo>

#include "richtext/FontNames.h"
#include "richtext/Properties.h"
#include "support/Fonts.h"

void ModifyFontToRemoveTrait(CharProps* props, bool removeBold) {
  if (!props) return;
  const QString name = FontName(nullptr, props->font);
  if (name.isEmpty()) return;
  const QFont font = FontWithName(name, 12);
  const QFontInfo info(font);
  // The family's face with the other trait kept and this one taken away.
  QFont plain(info.family());
  plain.setPointSizeF(12);
  plain.setWeight(removeBold ? QFont::Normal : QFont::Weight(info.weight()));
  plain.setStyle(removeBold ? info.style() : QFont::StyleNormal);
  const QString plainName = FontName(plain);
  if (plainName.isEmpty() || plainName == FontName(font)) return;
  props->font = IndexOfFont(plainName);
}
