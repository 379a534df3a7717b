#include "richtext/Molecules.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "richtext/FontTraits.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

constexpr uint32_t kMoleculeGrowth = 256;

uint16_t ReadHeader(const uint8_t* at) {
  uint16_t header;
  std::memcpy(&header, at, 2);
  return header;
}

uint16_t MakeHeader(uint32_t type, uint32_t atom, uint32_t length) {
  return uint16_t((atom & 0xFF) | ((type & 0xF) << 8) | ((length & 0xF) << 12));
}

bool IsTabAtom(uint32_t type, uint32_t atom) {
  return type == kParaProperties && (atom == kParaAtomTabDelete || atom == kParaAtomTab);
}

// The order of atoms within a type: the two tab atoms sort as one group.
uint32_t SortId(uint32_t type, uint32_t atom) { return IsTabAtom(type, atom) ? kParaAtomTabDelete : atom; }

uint32_t TabPosition(uint32_t tab) { return tab & kTabPositionMask; }

uint32_t ReadU32(const uint8_t* at) {
  uint32_t value;
  std::memcpy(&value, at, 4);
  return value;
}

// The value bytes of an atom of the row, as a molecule stores them.
void EncodeValue(const AtomDesc& desc, const void* value, uint8_t* out) {
  std::memset(out, 0, kMaxAtomValueSize + 1);
  if (!value) return;
  if (desc.valueSize == 1) {
    const uint16_t widened = *static_cast<const uint8_t*>(value);
    std::memcpy(out, &widened, 2);
  } else {
    std::memcpy(out, value, desc.valueSize);
  }
}

bool Reserve(Molecule* molecule, uint32_t needed) {
  if (molecule->used + needed <= molecule->capacity) return true;
  const uint64_t capacity = uint64_t(molecule->capacity) + needed + kMoleculeGrowth;
  if (capacity > UINT32_MAX) return false;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[capacity]);
  if (!bytes) return false;
  if (molecule->used) std::memcpy(bytes.get(), molecule->bytes.get(), molecule->used);
  molecule->bytes = std::move(bytes);
  molecule->capacity = uint32_t(capacity);
  return true;
}

bool InsertAtomAt(Molecule* molecule, uint32_t offset, uint16_t header, const uint8_t* value, uint32_t length) {
  if (!Reserve(molecule, length)) return false;
  uint8_t* at = molecule->bytes.get() + offset;
  std::memmove(at + length, at, molecule->used - offset);
  std::memcpy(at, &header, 2);
  std::memcpy(at + 2, value, length - 2);
  molecule->used += length;
  ++molecule->count;
  return true;
}

void RemoveAtomAt(Molecule* molecule, uint32_t offset, uint32_t length) {
  uint8_t* at = molecule->bytes.get() + offset;
  std::memmove(at, at + length, molecule->used - offset - length);
  molecule->used -= length;
  --molecule->count;
}

// Adds an atom already encoded (length with header).
bool AddEncodedAtom(Molecule* molecule, uint32_t type, uint32_t atom, const uint8_t* value, uint32_t length) {
  if (!molecule) return false;
  const bool tab = IsTabAtom(type, atom);
  const uint32_t sortId = SortId(type, atom);
  const uint16_t header = MakeHeader(type, atom, length);
  uint32_t offset = 0;
  while (offset + 2 <= molecule->used) {
    const uint16_t existing = ReadHeader(molecule->bytes.get() + offset);
    const uint32_t existingType = (existing >> 8) & 0xF;
    const uint32_t existingId = existing & 0xFF;
    const uint32_t existingLength = existing >> 12;
    if (existingLength < 4 || offset + existingLength > molecule->used) break;  // damaged: add at the end
    if (existingType > type) break;
    if (existingType == type) {
      const uint32_t existingSort = SortId(existingType, existingId);
      if (existingSort > sortId) break;
      if (existingSort == sortId) {
        if (tab) {
          const uint32_t position = TabPosition(ReadU32(value));
          const uint32_t existingPosition = TabPosition(ReadU32(molecule->bytes.get() + offset + 2));
          if (existingPosition > position) break;
          if (existingPosition == position) {
            // The same stop: its value and its id (tab or no tab) are replaced.
            uint8_t* at = molecule->bytes.get() + offset;
            std::memcpy(at, &header, 2);
            std::memcpy(at + 2, value, 4);
            return true;
          }
        } else {
          if (existingLength == length) {
            std::memcpy(molecule->bytes.get() + offset + 2, value, length - 2);
            return true;
          }
          // A compact atom replaced by a full one, or the reverse.
          RemoveAtomAt(molecule, offset, existingLength);
          return InsertAtomAt(molecule, offset, header, value, length);
        }
      }
    }
    offset += existingLength;
  }
  return InsertAtomAt(molecule, offset, header, value, length);
}

// ---- Applying ----

void StoreField(Properties* record, const AtomDesc& desc, const uint8_t* value) {
  uint8_t* field = record->body.bytes + desc.offset;
  if (desc.valueSize == 1)
    field[0] = value[0];
  else
    std::memcpy(field, value, desc.valueSize);
}

StyleEntry StyleAt(CorvaneDoc* doc, uint32_t style, bool* found) {
  StyleEntry entry;
  *found = doc && doc->styles && style < SizeOfDynamicArray(doc->styles);
  if (*found) FetchDynamicStringArrayEntry(doc->styles, style, &entry);
  return entry;
}

// Replaces the record's body by the body of the style's record of the
// record's type (a paragraph style's char record for a char record). A
// style or record that is not there leaves the record.
void ReplaceByStyleRecord(CorvaneDoc* doc, Properties* record, uint32_t style) {
  bool found = false;
  const StyleEntry entry = StyleAt(doc, style, &found);
  if (!found) return;
  uint32_t index = entry.props;
  if (record->type == kCharProperties && entry.type != kCharProperties) index = entry.charProps;
  const Properties* source = PropertiesAtIndex(doc, index);
  if (!source || source->type != record->type) return;
  std::memcpy(record->body.bytes, source->body.bytes, sizeof record->body.bytes);
}

// The char record of the style of the paragraph at cp (of "Normal" for a
// negative cp).
void ReplaceByParagraphStyleChars(CorvaneDoc* doc, Properties* record, int32_t cp) {
  uint32_t style = 0;
  if (cp >= 0 && doc && doc->paraRuns) {
    ParaProps para;
    FetchParaProps(doc, nullptr, std::min(uint32_t(cp), doc->textLimit), nullptr, &para);
    style = para.style;
  }
  bool found = false;
  const StyleEntry entry = StyleAt(doc, style, &found);
  if (!found) return;
  const Properties* source =
      PropertiesAtIndex(doc, entry.type == kCharProperties ? entry.props : entry.charProps);
  if (!source || source->type != kCharProperties) return;
  std::memcpy(record->body.bytes, source->body.bytes, sizeof record->body.bytes);
}

uint16_t StyleOfRecord(const Properties* record) {
  uint16_t style = 0;
  std::memcpy(&style, record->body.bytes, 2);  // every styled body starts with its style
  return style;
}

// Prefix and suffix atoms: a counted string as stored, or a byte count and
// that many 8-bit characters. Either is cut to what the record holds.
void StoreAffix(ParaAffix* affix, const uint8_t* value) {
  ParaAffix result;
  if (value[1] == 0) {
    std::memcpy(&result, value, sizeof result);
    result.count = std::min<uint16_t>(result.count, kMaxAffixUnits);
  } else {
    result.count = std::min<uint16_t>(value[0], kMaxAffixUnits);
    for (uint32_t i = 0; i < result.count; ++i) {
      const uint8_t byte = value[1 + i];
      result.units[i] = byte == 0xA5 ? char16_t(0x2022) : char16_t(byte);
    }
  }
  for (uint32_t i = result.count; i < kMaxAffixUnits; ++i) result.units[i] = 0;
  *affix = result;
}

// The index of the first tab whose position is at or beyond `position`.
uint32_t TabIndexAtOrBeyond(const ParaProps& para, uint32_t position) {
  uint32_t i = 0;
  const uint32_t count = std::min<uint32_t>(para.tabCount, kMaxTabs);
  while (i < count && TabPosition(para.tabs[i]) < position) ++i;
  return i;
}

void ApplyTabAtom(ParaProps* para, uint32_t atom, uint32_t tab) {
  para->tabCount = std::min<uint16_t>(para->tabCount, kMaxTabs);
  const uint32_t position = TabPosition(tab);
  const uint32_t index = TabIndexAtOrBeyond(*para, position);
  const bool same = index < para->tabCount && TabPosition(para->tabs[index]) == position;
  switch (atom) {
    case kParaAtomAddTab:
      AddTab(para, index, tab);
      break;
    case kParaAtomTab:
      if (same)
        para->tabs[index] = tab;
      else
        AddTab(para, index, tab);
      break;
    case kParaAtomTabDelete:
      if (same) DeleteTab(para, index);
      break;
    default:
      break;
  }
}

}  // namespace

Molecule* EmptyMolecule() {
  auto* molecule = new (std::nothrow) Molecule;
  if (!molecule) return nullptr;
  molecule->bytes.reset(new (std::nothrow) uint8_t[kMoleculeInitialCapacity]);
  if (!molecule->bytes) {
    delete molecule;
    return nullptr;
  }
  molecule->capacity = kMoleculeInitialCapacity;
  return molecule;
}

Molecule* NewMolecule(uint32_t type, uint32_t atom, const void* value) {
  Molecule* molecule = EmptyMolecule();
  if (molecule && !AddAtomToMolecule(molecule, type, atom, value)) {
    FreeMolecule(molecule);
    return nullptr;
  }
  return molecule;
}

void FreeMolecule(Molecule* molecule) { delete molecule; }

bool IsMoleculeEmpty(const Molecule* molecule) { return !molecule || molecule->count == 0; }

uint32_t PropertyTypeForMolecule(const Molecule* molecule) {
  if (IsMoleculeEmpty(molecule) || molecule->used < 2) return kNoProperties;
  return (ReadHeader(molecule->bytes.get()) >> 8) & 0xF;
}

bool AddAtomToMolecule(Molecule* molecule, uint32_t type, uint32_t atom, const void* value) {
  const AtomDesc* desc = AtomDescFor(type, atom);
  if (!molecule || !desc) return false;
  uint8_t encoded[kMaxAtomValueSize + 1];
  EncodeValue(*desc, value, encoded);
  return AddEncodedAtom(molecule, type, atom, encoded, AtomLengthForDesc(*desc));
}

bool AddCompactAtomToMolecule(Molecule* molecule, uint32_t type, uint32_t atom, int8_t value) {
  const AtomDesc* desc = AtomDescFor(type, atom);
  if (!molecule || !desc) return false;
  if (desc->valueKind != kAtomBorderWidth && !(desc->valueKind == kAtomEnum && desc->valueSize == 4)) return false;
  const auto widened = int16_t(value);
  uint8_t encoded[2];
  std::memcpy(encoded, &widened, 2);
  return AddEncodedAtom(molecule, type, atom, encoded, 4);
}

bool MergeMolecules(Molecule* target, const Molecule* source) {
  if (!target) return false;
  if (IsMoleculeEmpty(source)) return true;
  const bool before =
      !IsMoleculeEmpty(target) && PropertyTypeForMolecule(target) >= PropertyTypeForMolecule(source);
  const uint64_t needed = uint64_t(target->used) + source->used;
  if (needed > UINT32_MAX) return false;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[needed]);
  if (!bytes) return false;
  const Molecule& first = before ? *source : *target;
  const Molecule& second = before ? *target : *source;
  if (first.used) std::memcpy(bytes.get(), first.bytes.get(), first.used);
  if (second.used) std::memcpy(bytes.get() + first.used, second.bytes.get(), second.used);
  target->bytes = std::move(bytes);
  target->capacity = uint32_t(needed);
  target->used = uint32_t(needed);
  target->count += source->count;
  return true;
}

bool NextAtomInMolecule(const Molecule* molecule, uint32_t* offset, AtomRef* atom) {
  if (!molecule || !offset || !atom || *offset + 2 > molecule->used) return false;
  const uint8_t* at = molecule->bytes.get() + *offset;
  const uint16_t header = ReadHeader(at);
  const uint32_t length = header >> 12;
  if (!CS_SAFE_ASSERT(length >= 4 && *offset + length <= molecule->used)) return false;
  atom->atom = header & 0xFF;
  atom->type = (header >> 8) & 0xF;
  atom->length = length;
  atom->value = at + 2;
  *offset += length;
  return true;
}

bool IsCompactAtom(const AtomRef& atom) {
  if (atom.length != 4) return false;
  const AtomDesc* desc = AtomDescFor(atom.type, atom.atom);
  return desc && (desc->valueKind == kAtomBorderWidth || (desc->valueKind == kAtomEnum && desc->valueSize == 4));
}

uint32_t AtomValue32(const AtomRef& atom) {
  if (!atom.value || atom.length < 4) return 0;
  if (IsCompactAtom(atom)) {
    const auto byte = int8_t(atom.value[0]);
    const AtomDesc* desc = AtomDescFor(atom.type, atom.atom);
    return desc->valueKind == kAtomBorderWidth ? uint32_t(int32_t(byte) * int32_t(kMeasurePerPoint))
                                               : uint32_t(int32_t(byte));
  }
  if (atom.length == 4) {
    int16_t value;
    std::memcpy(&value, atom.value, 2);
    return uint32_t(int32_t(value));
  }
  return ReadU32(atom.value);
}

void ApplyMoleculeToProps(CorvaneDoc* doc, int32_t cp, Properties* record, const Molecule* molecule) {
  if (!record || IsMoleculeEmpty(molecule)) return;
  const uint32_t type = record->type;
  uint32_t offset = 0;
  AtomRef atom;
  while (NextAtomInMolecule(molecule, &offset, &atom)) {
    if (atom.type > type) break;
    if (atom.type < type) continue;
    const AtomDesc* desc = AtomDescFor(atom.type, atom.atom);
    if (!desc) continue;
    uint8_t value[kMaxAtomValueSize + 1] = {};
    std::memcpy(value, atom.value, std::min<uint32_t>(atom.length - 2, kMaxAtomValueSize));

    if (IsCompactAtom(atom)) {
      const auto byte = int8_t(value[0]);
      uint8_t* field = record->body.bytes + desc->offset;
      if (desc->valueKind == kAtomBorderWidth) {
        const int64_t measure = int64_t(byte) * kMeasurePerPoint;
        std::memcpy(field, &measure, std::min<size_t>(8, desc->valueSize));
      } else {
        const auto enumValue = uint32_t(int32_t(byte));
        std::memcpy(field, &enumValue, 4);
      }
      continue;
    }

    const bool styleNumbersOnly = doc && doc->styleAtomsOnly;
    if (type == kCharProperties) {
      switch (atom.atom) {
        case kAtomStyle: {
          if (styleNumbersOnly) break;
          const uint16_t style = uint16_t(value[0] | (value[1] << 8));
          if (style == 0)
            ReplaceByParagraphStyleChars(doc, record, cp);
          else
            ReplaceByStyleRecord(doc, record, style);
          continue;
        }
        case kAtomReapplyStyle:
          ReplaceByStyleRecord(doc, record, StyleOfRecord(record));
          continue;
        case kCharAtomBold:
        case kCharAtomItalic:
          if (value[0] == 0) ModifyFontToRemoveTrait(&record->body.charProps, atom.atom == kCharAtomBold);
          break;
        case kCharAtomRelsize:
          record->body.charProps.relsize = int16_t(int8_t(value[0]));
          continue;
        case kCharAtomStepSize: {
          CharProps& props = record->body.charProps;
          const int32_t steps = (value[0] == 1 && value[1] == 0) ? 1 : -1;
          props.size = int16_t(StepOffsetFontSize(props.size / 4, steps) * 4);
          continue;
        }
        default:
          break;
      }
    } else if (type == kParaProperties) {
      ParaProps& para = record->body.para;
      switch (atom.atom) {
        case kAtomStyle:
          if (styleNumbersOnly) break;
          ReplaceByStyleRecord(doc, record, uint16_t(value[0] | (value[1] << 8)));
          continue;
        case kAtomReapplyStyle:
          ReplaceByStyleRecord(doc, record, StyleOfRecord(record));
          continue;
        case kParaAtomPrefix:
          StoreAffix(&para.prefix, value);
          continue;
        case kParaAtomSuffix:
          StoreAffix(&para.suffix, value);
          continue;
        case kParaAtomAddTab:
        case kParaAtomTab:
        case kParaAtomTabDelete:
          ApplyTabAtom(&para, atom.atom, ReadU32(value));
          continue;
        case kParaAtomClearTabs:
          ClearTabs(&para);
          continue;
        default:
          break;
      }
    } else if ((type == kChapterProperties || type == kTableProperties || type == kListProperties) &&
               atom.atom == kAtomStyle && !styleNumbersOnly) {
      ReplaceByStyleRecord(doc, record, uint16_t(value[0] | (value[1] << 8)));
      continue;
    }
    if (desc->valueKind == kAtomAction || desc->valueSize == 0) continue;
    StoreField(record, *desc, value);
  }
}

bool ApplyMoleculeToRange(const DocRange* range, const Molecule* molecule, uint32_t undoId, uint32_t descriptor,
                          bool wholeRange) {
  if (IsMoleculeEmpty(molecule)) return true;
  if (!range || !range->doc) return false;
  CorvaneDoc* doc = range->doc;
  const uint32_t moleculeType = PropertyTypeForMolecule(molecule);
  DocRange whole = *range;
  if (moleculeType != kCharProperties) ExpandDocRange(&whole, kExpandParagraphs);
  const uint32_t runType = moleculeType == kParaProperties ? kParaProperties : kCharProperties;
  CSArrayCP* runs = runType == kParaProperties ? doc->paraRuns : doc->charRuns;
  if (!runs) return false;

  if (undoId && !SetUndoForRange(&whole, 8, undoId, descriptor)) return false;
  // Every run of the stretch gets its record with the molecule applied.
  const auto applyToStretch = [&](const DocRange& stretch) {
    uint32_t limitIndex = 0;
    const int32_t firstIndex = SplitRuns(&stretch, nullptr, runType, &limitIndex, kNoPropertyIndex, false);
    if (firstIndex < 0) return false;
    for (uint32_t i = uint32_t(firstIndex); i < limitIndex && i < SizeOfDynamicCPArray(runs); ++i) {
      uint32_t index = kNoPropertyIndex;
      FetchDynamicCPArrayEntry(runs, i, &index);
      Properties record;
      const Properties* current = PropertiesAtIndex(doc, index);
      if (current && current->type == runType)
        record = *current;
      else
        SetDefaultProperties(doc, runType, &record);
      ApplyMoleculeToProps(doc, int32_t(CpAtIndex(runs, i)), &record, molecule);
      const uint32_t newIndex = IndexForProperties(doc, &record);
      if (newIndex == kNoPropertyIndex) return false;
      ReplaceDynamicCPArrayEntry(runs, i, &newIndex);
    }
    return true;
  };
  RegisterRange(&whole, 0);
  bool ok = true;
  if (wholeRange) {
    ok = whole.first >= whole.limit || applyToStretch(whole);
  } else {
    DocRange rest = whole;
    DocRange stretch;
    while (ok && NextEditRange(&rest, &stretch, nullptr, kEditRangeShown, nullptr))
      if (stretch.first < stretch.limit) ok = applyToStretch(stretch);
  }
  UnregisterRange(&whole);
  FinishPropertyEdit(&whole, runType == kParaProperties ? 1 : 2);
  if (undoId) CommitUndoForRange(&whole);
  return ok;
}

Molecule* MoleculeWithDifferences(const Properties* a, const Properties* b, bool withStyle) {
  Molecule* molecule = EmptyMolecule();
  if (!molecule || !a || !b) return molecule;
  const uint32_t type = a->type;
  bool ok = true;
  if (withStyle && (type == kCharProperties || type == kParaProperties))
    ok = AddAtomToMolecule(molecule, type, kAtomReapplyStyle, nullptr);
  uint32_t count = 0;
  const AtomDesc* rows = AtomTableForType(type, &count);
  for (uint32_t i = 1; ok && rows && i < count; ++i) {
    const AtomDesc& row = rows[i];
    if (row.valueSize == 0 || row.valueKind == kAtomAction || row.valueKind == kAtomTabStop) continue;
    const uint8_t* fieldA = a->body.bytes + row.offset;
    const uint8_t* fieldB = b->body.bytes + row.offset;
    bool differ;
    if (row.valueKind == kAtomCountedString) {
      ParaAffix affixA, affixB;
      std::memcpy(&affixA, fieldA, sizeof affixA);
      std::memcpy(&affixB, fieldB, sizeof affixB);
      const uint32_t units = std::min<uint32_t>(affixA.count, kMaxAffixUnits) + 1;
      differ = std::memcmp(fieldA, fieldB, units * sizeof(char16_t)) != 0;
    } else if (row.valueKind == kAtomSwitch) {
      differ = (fieldA[0] != 0) != (fieldB[0] != 0);
    } else {
      differ = std::memcmp(fieldA, fieldB, row.valueSize) != 0;
    }
    if (differ) ok = AddAtomToMolecule(molecule, type, row.atomId, fieldA);
  }
  if (ok && type == kParaProperties) {
    // Tabs by position: A's tab where A has one at or before B's next one
    // (a tab at the same place is replaced), else B's tab goes.
    const ParaProps& pa = a->body.para;
    const ParaProps& pb = b->body.para;
    const uint32_t countA = std::min<uint32_t>(pa.tabCount, kMaxTabs);
    const uint32_t countB = std::min<uint32_t>(pb.tabCount, kMaxTabs);
    uint32_t i = 0, j = 0;
    while (ok && (i < countA || j < countB)) {
      if (i < countA && j < countB && pa.tabs[i] == pb.tabs[j]) {
        ++i;
        ++j;
      } else if (i < countA && (j >= countB || TabPosition(pa.tabs[i]) <= TabPosition(pb.tabs[j]))) {
        if (j < countB && TabPosition(pa.tabs[i]) == TabPosition(pb.tabs[j])) ++j;
        ok = AddAtomToMolecule(molecule, type, kParaAtomTab, &pa.tabs[i++]);
      } else {
        ok = AddAtomToMolecule(molecule, type, kParaAtomTabDelete, &pb.tabs[j++]);
      }
    }
  }
  if (!ok) {
    FreeMolecule(molecule);
    return nullptr;
  }
  return molecule;
}
