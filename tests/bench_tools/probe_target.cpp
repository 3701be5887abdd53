// SPDX-License-Identifier: Zlib
// A program for the process probe's own tests, with a known cost:
//   probe_target busy        spins one core until stopped
//   probe_target idle        sleeps until stopped
//   probe_target hold MB     touches MB megabytes, then sleeps until stopped
//   probe_target exit N      ends at once with status N
// With PROBE_TARGET_REPORT set, it writes the CPU seconds it used (all
// threads, user + system) to that file when it stops: the truth the probe's
// figure is checked against.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
volatile sig_atomic_t gStop = 0;
void OnTerm(int) { gStop = 1; }
void ReportCpu() {
  const char* path = std::getenv("PROBE_TARGET_REPORT");
  if (!path) return;
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  if (FILE* f = std::fopen(path, "w")) {
    std::fprintf(f, "%.6f\n", double(t.tv_sec) + double(t.tv_nsec) / 1e9);
    std::fclose(f);
  }
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  signal(SIGTERM, OnTerm);
  const char* mode = argv[1];
  if (std::strcmp(mode, "exit") == 0) return argc > 2 ? std::atoi(argv[2]) : 0;
  if (std::strcmp(mode, "busy") == 0) {
    volatile unsigned long n = 0;
    while (!gStop) n = n + 1;
    ReportCpu();
    return 0;
  }
  std::vector<char> held;
  if (std::strcmp(mode, "hold") == 0 && argc > 2) {
    held.resize(size_t(std::atoi(argv[2])) << 20);
    for (size_t i = 0; i < held.size(); i += 4096) held[i] = 1;
  }
  while (!gStop) pause();
  ReportCpu();
  return held.empty() ? 0 : held[0] - 1;
}
