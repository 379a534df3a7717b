// The EMF record interpreter. Walking: about 20 MB of records (shapes,
// paths, polylines, texts, objects and bitmaps) through ImportEmf with a
// callback that only counts, against a walk that steps the same records by
// their sizes and reads nothing else; the second benchmark prints the ratio
// of the two. There is no outside peer: no program here reads EMF outside an
// office suite. Converting: every file of the outside EMF corpus turned into
// a PDF (files per second), skipped when the corpus is missing.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "interchange/EmfImport.h"
#include "interchange/EmfRecords.h"

namespace {

constexpr qsizetype kWalkBytes = 20 * 1024 * 1024;

class Records {
 public:
  void u32(uint32_t value) { m_data.append(reinterpret_cast<const char*>(&value), 4); }  // little-endian host
  void i32(int32_t value) { u32(uint32_t(value)); }
  // Starts a record; end() fills in its size.
  void begin(uint32_t type) {
    m_start = m_data.size();
    u32(type);
    u32(0);
  }
  void end() {
    while (m_data.size() % 4 != 0) m_data.append('\0');
    const uint32_t size = uint32_t(m_data.size() - m_start);
    std::memcpy(m_data.data() + m_start + 4, &size, 4);
    ++m_count;
  }
  QByteArray& data() { return m_data; }
  uint32_t count() const { return m_count; }

 private:
  QByteArray m_data;
  qsizetype m_start = 0;
  uint32_t m_count = 0;
};

// The records repeated until the data holds kWalkBytes.
const QByteArray& WalkData() {
  static const QByteArray data = [] {
    Records r;
    r.begin(1);  // header
    for (int32_t v : {0, 0, 1000, 1000, 0, 0, 25400, 25400}) r.i32(v);
    r.u32(0x464D4520);
    r.u32(0x10000);
    r.u32(0);
    r.u32(0);
    r.u32(16);  // handles and reserved
    for (int i = 0; i < 12; ++i) r.u32(0);
    r.end();
    uint32_t seed = 4242;
    auto next = [&seed](int range) {
      seed = seed * 1103515245u + 12345u;
      return int32_t((seed >> 16) % uint32_t(range));
    };
    r.begin(38);  // a pen and a brush, selected
    for (uint32_t v : {1u, 0u, 2u, 0u, 0x000080u}) r.u32(v);
    r.end();
    r.begin(39);
    for (uint32_t v : {2u, 0u, 0x00C0FFu, 0u}) r.u32(v);
    r.end();
    for (uint32_t handle : {1u, 2u}) {
      r.begin(37);
      r.u32(handle);
      r.end();
    }
    const QString text = QStringLiteral("Metafile text");
    while (r.data().size() < kWalkBytes) {
      const int32_t x = next(900), y = next(900);
      r.begin(43);  // rectangle
      for (int32_t v : {x, y, x + 40, y + 30}) r.i32(v);
      r.end();
      r.begin(3);  // polygon of 12 points
      for (int i = 0; i < 4; ++i) r.i32(0);
      r.u32(12);
      for (int i = 0; i < 12; ++i) {
        r.i32(x + next(60));
        r.i32(y + next(60));
      }
      r.end();
      r.begin(59);  // a path of two figures, filled and stroked
      r.end();
      r.begin(27);
      r.i32(x);
      r.i32(y);
      r.end();
      r.begin(5);  // bezier to
      for (int i = 0; i < 4; ++i) r.i32(0);
      r.u32(6);
      for (int i = 0; i < 6; ++i) {
        r.i32(x + next(80));
        r.i32(y + next(80));
      }
      r.end();
      r.begin(61);
      r.end();
      r.begin(60);
      r.end();
      r.begin(63);
      for (int i = 0; i < 4; ++i) r.i32(0);
      r.end();
      r.begin(87);  // polyline16 of 20 points
      for (int i = 0; i < 4; ++i) r.i32(0);
      r.u32(20);
      for (int i = 0; i < 20; ++i) r.u32(uint32_t(uint16_t(x + next(50))) | uint32_t(uint16_t(y + next(50))) << 16);
      r.end();
      r.begin(84);  // text
      for (int i = 0; i < 4; ++i) r.i32(0);
      r.u32(1);
      r.u32(0x3F800000);
      r.u32(0x3F800000);
      r.i32(x);
      r.i32(y);
      r.u32(uint32_t(text.size()));
      r.u32(76);
      for (int i = 0; i < 6; ++i) r.u32(0);
      r.data().append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
      r.end();
      r.begin(81);  // a 16 x 16 bitmap of 24 bits
      for (int i = 0; i < 4; ++i) r.i32(0);
      for (int32_t v : {x, y, 0, 0, 16, 16}) r.i32(v);
      for (uint32_t v : {80u, 40u, 120u, 768u, 0u, 0x00CC0020u, 32u, 32u}) r.u32(v);
      for (uint32_t v : {40u, 16u, 16u, 1u | 24u << 16, 0u, 0u, 0u, 0u, 0u, 0u}) r.u32(v);
      for (int i = 0; i < 768; ++i) r.data().append(char(next(256)));
      r.end();
    }
    r.begin(14);
    for (uint32_t v : {0u, 16u, 20u}) r.u32(v);
    r.end();
    QByteArray bytes = r.data();
    const uint32_t size = uint32_t(bytes.size()), count = r.count();
    std::memcpy(bytes.data() + 48, &size, 4);
    std::memcpy(bytes.data() + 52, &count, 4);
    return bytes;
  }();
  return data;
}

void CountReport(int, int, const EmfObject&, const EmfDrawState&, void* context, const QRectF&) {
  ++*static_cast<size_t*>(context);
}

// Steps the records by their sizes only: the least any walk must do.
size_t StepRecords(const QByteArray& data) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  const size_t length = size_t(data.size());
  size_t offset = 0, records = 0, sum = 0;
  while (length - offset >= 8) {
    uint32_t type = 0, size = 0;
    std::memcpy(&type, bytes + offset, 4);
    std::memcpy(&size, bytes + offset + 4, 4);
    if (size < 8 || size > length - offset) break;
    sum += type;
    ++records;
    offset += size;
  }
  benchmark::DoNotOptimize(sum);
  return records;
}

double g_stepMs = 0;

void BM_EmfStepRecordSizes(benchmark::State& state) {
  const QByteArray& data = WalkData();
  size_t records = 0;
  g_stepMs = MeanMs(state, [&] { records = StepRecords(data); });
  state.SetBytesProcessed(state.iterations() * data.size());
  state.counters["records"] = double(records);
}

void BM_EmfWalk(benchmark::State& state) {
  EnsureBenchApplication();
  const QByteArray& data = WalkData();
  size_t reports = 0;
  const double ms = MeanMs(state, [&] {
    reports = 0;
    ImportEmf(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), &CountReport, &reports, nullptr);
  });
  state.SetBytesProcessed(state.iterations() * data.size());
  state.counters["reports"] = double(reports);
  if (g_stepMs > 0) {
    std::printf("EMF walk of %.1f MB: ImportEmf %.1f ms, stepping record sizes %.2f ms, ratio %.1f\n",
                double(data.size()) / 1048576.0, ms, g_stepMs, ms / g_stepMs);
  }
}

void BM_EmfCorpusToPdf(benchmark::State& state) {
  EnsureBenchApplication();
  // The corpus lies beside the checkout: two folders above this file's.
  const QDir folder(QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() +
                    QStringLiteral("/../../shared/corpora/emf/libemf2svg/emf"));
  QList<QByteArray> files;
  for (const QString& name : folder.entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name)) {
    QFile file(folder.filePath(name));
    if (file.open(QIODevice::ReadOnly)) files.append(file.readAll());
  }
  if (files.isEmpty()) {
    state.SkipWithError("the EMF corpus is not present beside the checkout");
    return;
  }
  size_t converted = 0;
  const double ms = MeanMs(state, [&] {
    converted = 0;
    for (const QByteArray& data : files) {
      QString path;
      if (!CreateImageFromEmf(data, &path, nullptr).isNull()) ++converted;
      if (!path.isEmpty()) QFile::remove(path);
    }
  });
  state.counters["files"] = double(files.size());
  state.counters["converted"] = double(converted);
  state.counters["files/s"] = ms > 0 ? double(files.size()) * 1000.0 / ms : 0;
}

}  // namespace

BENCHMARK(BM_EmfStepRecordSizes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_EmfWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_EmfCorpusToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
