#pragma once
// Molecules: a change of formatting as a compact, sorted list of atoms, each
// naming one field of one property type and carrying its new value. Styles
// are stored as molecules, the formatting commands and the RTF reader build
// them, and they are applied to records and to stretches of text.
//
// An atom is a 16-bit header (id in bits 0-7, property type in bits 8-11,
// total length with the header in bits 12-15) and its value: a 1-byte value
// widened to 16 bits, a 2-byte value as it is, longer values as their bytes.
// Atoms are sorted by type, then id; the tab atoms of a paragraph (23 and 24)
// may repeat and are sorted by tab position.

#include <cstdint>
#include <memory>

#include "richtext/Atoms.h"
#include "richtext/CorvaneDoc.h"

class CSXmlDecoder;

struct Molecule {
  uint32_t count = 0;     // atoms
  uint32_t capacity = 0;  // bytes of the buffer
  uint32_t used = 0;      // bytes in use
  std::unique_ptr<uint8_t[]> bytes;
};

// The bytes a new molecule holds.
constexpr uint32_t kMoleculeInitialCapacity = 256;

// One atom as read from a molecule.
struct AtomRef {
  uint32_t type = 0;
  uint32_t atom = 0;
  uint32_t length = 0;  // header included
  const uint8_t* value = nullptr;  // length - 2 bytes
};

// A molecule of that one atom (value as in AddAtomToMolecule), or null.
Molecule* NewMolecule(uint32_t type, uint32_t atom, const void* value);
// An empty molecule with room for 256 bytes, or null.
Molecule* EmptyMolecule();
// Accepts null.
void FreeMolecule(Molecule* molecule);
struct MoleculeDeleter {
  void operator()(Molecule* molecule) const { FreeMolecule(molecule); }
};
using MoleculePtr = std::unique_ptr<Molecule, MoleculeDeleter>;

// True for null or no atoms.
bool IsMoleculeEmpty(const Molecule* molecule);
// The type of the first atom; 255 when empty.
uint32_t PropertyTypeForMolecule(const Molecule* molecule);

// Adds the atom in its sorted place, or replaces the value of the atom with
// the same type and id (a tab atom: with the same tab position, taking the
// new id). `value` points at a value of the row's value size (null: zero).
// False when the atom has no row or the buffer can't grow.
bool AddAtomToMolecule(Molecule* molecule, uint32_t type, uint32_t atom, const void* value);
// Adds the compact form of an atom (4 bytes, one signed byte of value) for a
// row of value kind 15 (points) or an enum of value size 4. False for any
// other row.
bool AddCompactAtomToMolecule(Molecule* molecule, uint32_t type, uint32_t atom, int8_t value);
// Appends the source's atoms as one block, before the target's atoms when
// the target's first type is at or above the source's, else after them.
bool MergeMolecules(Molecule* target, const Molecule* source);

// Walks the atoms: starts with *offset 0; false at the end (or at a damaged
// atom, whose length would leave the buffer).
bool NextAtomInMolecule(const Molecule* molecule, uint32_t* offset, AtomRef* atom);
// Whether the atom is in its compact form (see AddCompactAtomToMolecule).
bool IsCompactAtom(const AtomRef& atom);
// The atom's value as a 32-bit number: a compact atom's byte (points of a
// border width as measures), 2-byte values sign-extended, longer values
// their first 4 bytes; 0 without a value.
uint32_t AtomValue32(const AtomRef& atom);

// Applies the molecule's atoms of the record's type to the record; `cp` is
// where the record applies (negative: nowhere), for style atoms that take
// the paragraph's style.
void ApplyMoleculeToProps(CorvaneDoc* doc, int32_t cp, Properties* record, const Molecule* molecule);
// Applies the molecule to every run of the range (widened to paragraphs for
// molecules of types other than char) by re-interning each run's record.
// `undoId` 0 asks for no undo entry. False when undo is refused or a record
// can't be interned.
bool ApplyMoleculeToRange(const DocRange* range, const Molecule* molecule, uint32_t undoId, uint32_t descriptor,
                          bool wholeRange);
// The molecule that turns record B into record A (both of A's type), with
// atom 2 first for char and para records when `withStyle`; null when memory
// fails.
Molecule* MoleculeWithDifferences(const Properties* a, const Properties* b, bool withStyle);

// Limits of the XML property reader.
constexpr uint32_t kMaxPropsXmlDepth = 64;  // nesting inside one record
constexpr uint32_t kMaxAffixUnits = 4;       // units of a prefix or suffix

// Reads one property record from the reader, which stands on the record's
// start tag, through its end tag: the type's base record, then each known
// child field (unknown ones skipped, tabs beyond 25 and markers beyond 9
// ignored, counted strings cut at 4 units, unknown enum names read as 0).
// False when the XML is malformed, ends early or nests deeper than
// kMaxPropsXmlDepth; the record then holds what was read.
bool ReadPropsFromXml(CSXmlDecoder& decoder, Properties* record, uint32_t type);
