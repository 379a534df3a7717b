#pragma once
// Builds resource forks in the classic layout (header, data, then the map
// with its type list and reference lists) for the tests of the readers.

#include <QByteArray>
#include <cstdint>
#include <vector>

struct ForkResource {
  uint32_t type;
  int16_t id;
  QByteArray data;
};

// Writes the low `bytes` bytes of v at `at`, most significant first.
void PutBigEndian(QByteArray& b, qsizetype at, uint32_t v, int bytes);

// The resources in the order given; each type is listed once, in the order
// of its first resource. No resources give a type count of 0xFFFF.
QByteArray BuildResourceFork(const std::vector<ForkResource>& resources);

// The fork in the sidecar file other systems leave beside a copied file
// (magic 0x00051607, version 0x00020000): a Finder-information entry of 32
// zero bytes, then the fork entry (id 2).
QByteArray BuildSidecarFile(const QByteArray& fork);
