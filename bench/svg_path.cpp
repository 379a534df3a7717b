// Reading SVG path data: 10 MB of generated path data (moves, lines,
// cubics, smooth cubics, quadratics and arcs in absolute and relative form,
// in paths of a few hundred commands, as a large drawing holds them) read
// into polygon elements, beside a scan that only converts the same numbers
// with std::from_chars, the floor any path reader must pay. The peer run,
// which comes last, shows the reader's time over the scan's as the counter
// "reader_over_from_chars".
#include <benchmark/benchmark.h>

#include <QString>
#include <charconv>
#include <chrono>
#include <vector>

#include "BenchApplication.h"
#include "interchange/SvgGeometry.h"

namespace {

constexpr qsizetype kPathDataBytes = 10 * 1000 * 1000;
constexpr int kCommandsPerPath = 400;

std::vector<QString> MakePaths() {
  std::vector<QString> paths;
  qsizetype total = 0;
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 8) % uint32_t(range));
  };
  while (total < kPathDataBytes) {
    QString d = QStringLiteral("M%1 %2").arg(next(1000)).arg(next(1000));
    for (int i = 0; i < kCommandsPerPath; ++i) {
      switch (next(7)) {
        case 0:
          d += QStringLiteral(" L%1.5 %2").arg(next(1000)).arg(next(1000));
          break;
        case 1:
          d += QStringLiteral(" l-%1 %2.25").arg(next(50)).arg(next(50));
          break;
        case 2:
          d += QStringLiteral(" C%1 %2 %3 %4 %5 %6")
                   .arg(next(1000))
                   .arg(next(1000))
                   .arg(next(1000))
                   .arg(next(1000))
                   .arg(next(1000))
                   .arg(next(1000));
          break;
        case 3:
          d += QStringLiteral(" s%1,%2 %3,-%4").arg(next(40)).arg(next(40)).arg(next(40)).arg(next(40));
          break;
        case 4:
          d += QStringLiteral(" Q%1 %2 %3 %4").arg(next(1000)).arg(next(1000)).arg(next(1000)).arg(next(1000));
          break;
        case 5:
          d += QStringLiteral(" a%1 %2 30 0 1 %3 %4").arg(5 + next(40)).arg(5 + next(40)).arg(next(60)).arg(next(60));
          break;
        default:
          d += QStringLiteral(" h%1v-%2").arg(next(30)).arg(next(30));
          break;
      }
    }
    d += QStringLiteral(" z");
    total += d.size();
    paths.push_back(std::move(d));
  }
  return paths;
}

const std::vector<QString>& Paths() {
  static const std::vector<QString> paths = MakePaths();
  return paths;
}

int64_t PathBytes() {
  static const int64_t bytes = [] {
    int64_t sum = 0;
    for (const QString& d : Paths()) sum += d.size();
    return sum;
  }();
  return bytes;
}

// Seconds a pass of the reader took in this process; 0 before its run.
double g_readerSeconds = 0;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SvgPathRead(benchmark::State& state) {
  EnsureBenchApplication();
  const std::vector<QString>& paths = Paths();
  int64_t polygons = 0;
  int64_t points = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (const QString& d : paths) {
      SvgImportState import;
      SvgReadPath(import, import.top(), d);
      polygons += int64_t(import.elements.size());
      points += int64_t(import.pathPointCount);
    }
  }
  g_readerSeconds = SecondsSince(start) / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * PathBytes());
  state.counters["polygons"] = double(polygons) / double(state.iterations());
  state.counters["points"] = double(points) / double(state.iterations());
}
BENCHMARK(BM_SvgPathRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The peer: every number of the same data converted by std::from_chars
// (the text made Latin-1 first, as the reader works on UTF-16 text).
void BM_FromCharsNumbers(benchmark::State& state) {
  const std::vector<QString>& paths = Paths();
  double sum = 0;
  int64_t numbers = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (const QString& d : paths) {
      const QByteArray bytes = d.toLatin1();
      const char* p = bytes.constData();
      const char* end = p + bytes.size();
      while (p < end) {
        const char c = *p;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
          double value = 0;
          const auto result = std::from_chars(p, end, value);
          if (result.ec != std::errc()) {
            ++p;
            continue;
          }
          sum += value;
          ++numbers;
          p = result.ptr;
        } else {
          ++p;
        }
      }
    }
  }
  const double seconds = SecondsSince(start) / double(state.iterations());
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(state.iterations() * PathBytes());
  state.counters["numbers"] = double(numbers) / double(state.iterations());
  if (g_readerSeconds > 0) state.counters["reader_over_from_chars"] = g_readerSeconds / seconds;
}
BENCHMARK(BM_FromCharsNumbers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
