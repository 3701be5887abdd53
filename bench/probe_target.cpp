// A program for the process probe's own tests, with a known cost:
//   probe_target busy        spins one core until stopped
//   probe_target idle        sleeps until stopped
//   probe_target hold MB     touches MB megabytes, then sleeps until stopped
//   probe_target exit N      ends at once with status N
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
volatile sig_atomic_t gStop = 0;
void OnTerm(int) { gStop = 1; }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  signal(SIGTERM, OnTerm);
  const char* mode = argv[1];
  if (std::strcmp(mode, "exit") == 0) return argc > 2 ? std::atoi(argv[2]) : 0;
  if (std::strcmp(mode, "busy") == 0) {
    volatile unsigned long n = 0;
    while (!gStop) n = n + 1;
    return 0;
  }
  std::vector<char> held;
  if (std::strcmp(mode, "hold") == 0 && argc > 2) {
    held.resize(size_t(std::atoi(argv[2])) << 20);
    for (size_t i = 0; i < held.size(); i += 4096) held[i] = 1;
  }
  while (!gStop) pause();
  return held.empty() ? 0 : held[0] - 1;
}
