#pragma once
// Runs a peer program beside our own code, as a process started with
// posix_spawn and waited for, so that its start-up counts as it does for a
// user. Benchmarks skip a peer that is not installed.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>

#include <QByteArray>
#include <QList>

extern char** environ;

// Whether the program can be run at all.
inline bool PeerInstalled(const char* program) {
  return access(program, X_OK) == 0;
}

// Runs the program (an absolute path) with the arguments; true when it
// started and exited with status 0.
inline bool RunPeer(const char* program, const QList<QByteArray>& arguments) {
  QList<QByteArray> words{QByteArray(program).mid(QByteArray(program).lastIndexOf('/') + 1)};
  words += arguments;
  QList<char*> argv;
  for (QByteArray& word : words) argv.append(word.data());
  argv.append(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program, nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The mean wall-clock milliseconds of one run of `body` over the state's
// iterations, for the ratios benchmarks print beside a peer.
template <typename Body>
double MeanMs(benchmark::State& state, Body body) {
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    body();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  return state.iterations() > 0 ? total / double(state.iterations()) : 0;
}
