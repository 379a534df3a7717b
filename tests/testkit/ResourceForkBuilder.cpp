#include "testkit/ResourceForkBuilder.h"

#include <algorithm>

void PutBigEndian(QByteArray& b, qsizetype at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * (bytes - 1 - i)));
}

QByteArray BuildResourceFork(const std::vector<ForkResource>& resources) {
  QByteArray data;
  std::vector<uint32_t> offsets, types;
  for (const ForkResource& r : resources) {
    offsets.push_back(uint32_t(data.size()));
    QByteArray length(4, '\0');
    PutBigEndian(length, 0, uint32_t(r.data.size()), 4);
    data += length + r.data;
    if (std::find(types.begin(), types.end(), r.type) == types.end()) types.push_back(r.type);
  }
  const qsizetype typeList = 28;
  QByteArray map(typeList + 2 + qsizetype(types.size()) * 8, '\0');
  PutBigEndian(map, 24, uint32_t(typeList), 2);
  PutBigEndian(map, 26, uint32_t(map.size()), 2);
  PutBigEndian(map, typeList, types.empty() ? 0xFFFF : uint32_t(types.size() - 1), 2);
  for (size_t t = 0; t < types.size(); ++t) {
    const qsizetype entry = typeList + 2 + qsizetype(t) * 8;
    std::vector<size_t> members;
    for (size_t i = 0; i < resources.size(); ++i)
      if (resources[i].type == types[t]) members.push_back(i);
    PutBigEndian(map, entry, types[t], 4);
    PutBigEndian(map, entry + 4, uint32_t(members.size() - 1), 2);
    PutBigEndian(map, entry + 6, uint32_t(map.size() - typeList), 2);
    for (size_t i : members) {
      QByteArray reference(12, '\0');
      PutBigEndian(reference, 0, uint16_t(resources[i].id), 2);
      PutBigEndian(reference, 2, 0xFFFF, 2);
      PutBigEndian(reference, 4, offsets[i], 4);  // attributes byte 0, then the 24-bit offset
      map += reference;
    }
  }
  QByteArray fork(16, '\0');
  PutBigEndian(fork, 0, 16, 4);
  PutBigEndian(fork, 4, uint32_t(16 + data.size()), 4);
  PutBigEndian(fork, 8, uint32_t(data.size()), 4);
  PutBigEndian(fork, 12, uint32_t(map.size()), 4);
  return fork + data + map;
}

QByteArray BuildSidecarFile(const QByteArray& fork) {
  constexpr qsizetype kHeader = 26 + 2 * 12;
  QByteArray header(kHeader, '\0');
  PutBigEndian(header, 0, 0x00051607, 4);
  PutBigEndian(header, 4, 0x00020000, 4);
  PutBigEndian(header, 24, 2, 2);
  PutBigEndian(header, 26, 9, 4);  // Finder information
  PutBigEndian(header, 30, uint32_t(kHeader), 4);
  PutBigEndian(header, 34, 32, 4);
  PutBigEndian(header, 38, 2, 4);  // the resource fork
  PutBigEndian(header, 42, uint32_t(kHeader + 32), 4);
  PutBigEndian(header, 46, uint32_t(fork.size()), 4);
  return header + QByteArray(32, '\0') + fork;
}
