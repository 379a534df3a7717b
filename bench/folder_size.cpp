// The folder-size walk (package sizes, the autosave folder) beside the
// system's `du -s` over the same tree. du counts allocated blocks, the walk
// adds up file lengths, so the two figures differ by the block rounding.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "support/Files.h"

namespace {

constexpr int kFolders = 100, kFilesPerFolder = 40;

// A tree of kFolders folders (each with one nested folder) holding files of
// assorted sizes, made once for every benchmark.
const QTemporaryDir& Tree() {
  static QTemporaryDir* tree = [] {
    auto* dir = new QTemporaryDir;
    for (int f = 0; f < kFolders; ++f) {
      const QString folder = dir->filePath(QStringLiteral("folder%1/inner").arg(f));
      QDir().mkpath(folder);
      for (int i = 0; i < kFilesPerFolder; ++i) {
        QFile file((i % 2 ? folder : QFileInfo(folder).path()) + QStringLiteral("/file%1").arg(i));
        if (file.open(QIODevice::WriteOnly)) file.write(QByteArray((f * 131 + i * 977) % 20000, 'x'));
      }
    }
    // Report the system's figure once, for comparison.
    const QByteArray command = "du -s " + QFile::encodeName(dir->path()) + " 2>/dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (FILE* pipe = popen(command.constData(), "r")) {
      char line[4096] = {0};
      const bool got = fgets(line, sizeof line, pipe) != nullptr;
      pclose(pipe);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (got) std::printf("du -s (KiB, one run incl. process start %.2f ms): %s", ms, line);
    }
    std::printf("SizeOfFolder (bytes): %llu over %d files\n",
                static_cast<unsigned long long>(SizeOfFolder(dir->path())), kFolders * kFilesPerFolder);
    return dir;
  }();
  return *tree;
}

void BM_SizeOfFolder(benchmark::State& state) {
  const QString path = Tree().path();
  for (auto _ : state) benchmark::DoNotOptimize(SizeOfFolder(path));
  state.SetItemsProcessed(int64_t(state.iterations()) * kFolders * kFilesPerFolder);
}
BENCHMARK(BM_SizeOfFolder)->Unit(benchmark::kMicrosecond);

void BM_FolderExceedsSmallLimit(benchmark::State& state) {
  const QString path = Tree().path();
  for (auto _ : state) benchmark::DoNotOptimize(FolderExceedsSize(path, 1000000));
}
BENCHMARK(BM_FolderExceedsSmallLimit)->Unit(benchmark::kMicrosecond);

}  // namespace
