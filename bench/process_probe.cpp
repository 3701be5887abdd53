// SPDX-License-Identifier: Zlib
// Runs one program for a fixed time and reports, on one line of key=value
// pairs, what it cost: CPU as a percentage of one core (user + system, all
// threads) over the whole run and over the run after its first second, peak
// resident memory, and optionally the time from its start to its first drawn
// frame and the CPU the X server spent meanwhile.
//
//   process_probe --name game --seconds 10 [--startup] [--server-pid PID] -- prog args...
//   process_probe --name game --startup-only -- prog args...   (stops at the first frame)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "proc_stats.h"
#include "screen_watch.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string name = "program";
  double seconds = 10;
  bool startup = false;
  bool startupOnly = false;
  double unmapAt = -1;
  pid_t server = 0;
  std::vector<char*> command;
};

bool Parse(int argc, char** argv, Options* o) {
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--startup") {
      o->startup = true;
    } else if (arg == "--startup-only") {
      o->startup = o->startupOnly = true;
    } else if (arg == "--name" && hasValue) {
      o->name = argv[++i];
    } else if (arg == "--seconds" && hasValue) {
      char* end = nullptr;
      o->seconds = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(o->seconds > 1) || o->seconds > 3600) return false;
    } else if (arg == "--unmap-at" && hasValue) {
      char* end = nullptr;
      o->unmapAt = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(o->unmapAt >= 0) || o->unmapAt > 3600) return false;
    } else if (arg == "--server-pid" && hasValue) {
      char* end = nullptr;
      const long pid = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || pid <= 0) return false;
      o->server = pid_t(pid);
    } else {
      return false;
    }
  }
  for (++i; i < argc; ++i) o->command.push_back(argv[i]);
  o->command.push_back(nullptr);
  return o->command.size() > 1;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Percent(std::optional<uint64_t> from, std::optional<uint64_t> to, double seconds) {
  if (!from || !to || seconds <= 0) return -1;
  return 100.0 * double(*to - *from) / double(procstats::TicksPerSecond()) / seconds;
}

// Asks the program to close as a player would (SDL turns SIGTERM into a quit),
// and ends it if it does not within two seconds. Returns its exit status.
int Stop(pid_t pid) {
  kill(pid, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  int status = 0;
  while (Clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: %s [--name N] [--seconds S] [--startup | --startup-only] [--unmap-at S] "
                 "[--server-pid PID] -- program [args...]\n",
                 argv[0]);
    return 2;
  }
  screenwatch::Watch watch;
  if ((o.startup || o.unmapAt >= 0) && !watch.Open()) {
    std::fprintf(stderr, "%s: cannot open the X display (DISPLAY=%s)\n", argv[0],
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
    return 1;
  }

  const auto serverStart = o.server ? procstats::CpuTicks(o.server) : std::nullopt;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return 1;
  }
  if (pid == 0) {
    execv(o.command[0], o.command.data());
    std::fprintf(stderr, "%s: cannot run %s: %s\n", argv[0], o.command[0], std::strerror(errno));
    _exit(127);
  }

  const auto end = start + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(o.seconds));
  const auto steadyFrom = start + std::chrono::seconds(1);
  double startupMs = -1;
  std::optional<uint64_t> steadyTicks, unmappedTicks;
  Clock::time_point steadyAt, unmappedAt;
  const auto unmapFrom = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(std::max(0.0, o.unmapAt)));
  bool exitedEarly = false;
  int status = 0;
  while (Clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exitedEarly = true;
      break;
    }
    if (o.startup && startupMs < 0 && watch.FrameShown()) {
      startupMs = 1000.0 * Seconds(Clock::now() - start);
      if (o.startupOnly) break;
    }
    // Once the window shows its first frame: a window unmapped before it
    // ever drew would say nothing about a minimised game.
    if (o.unmapAt >= 0 && !unmappedTicks && Clock::now() >= unmapFrom && watch.FrameShown() &&
        watch.Unmap()) {
      unmappedAt = Clock::now();
      unmappedTicks = procstats::CpuTicks(pid);
    }
    if (!steadyTicks && Clock::now() >= steadyFrom) {
      steadyAt = Clock::now();
      steadyTicks = procstats::CpuTicks(pid);
    }
    // Poll the screen finely until the first frame, then only wake for the samples.
    std::this_thread::sleep_for(o.startup && startupMs < 0 ? std::chrono::microseconds(500)
                                                           : std::chrono::milliseconds(20));
  }
  if (exitedEarly) {
    std::printf("name=%s error=exited-early status=%d\n", o.name.c_str(), status);
    return 1;
  }
  if (o.startupOnly) {
    Stop(pid);
    std::printf("name=%s startup_ms=%.1f\n", o.name.c_str(), startupMs);
    return startupMs >= 0 ? 0 : 1;
  }
  const auto now = Clock::now();
  const auto elapsed = Seconds(now - start);
  const auto ticks = procstats::CpuTicks(pid);
  const auto peakKb = procstats::StatusKb(pid, "VmHWM");
  const auto serverEnd = o.server ? procstats::CpuTicks(o.server) : std::nullopt;
  status = Stop(pid);

  std::printf("name=%s seconds=%.2f cpu_pct=%.2f cpu_steady_pct=%.2f peak_rss_kb=%llu",
              o.name.c_str(), elapsed, Percent(uint64_t(0), ticks, elapsed),
              Percent(steadyTicks, ticks, Seconds(now - steadyAt)),
              (unsigned long long)(peakKb ? *peakKb : 0));
  if (o.startup) std::printf(" startup_ms=%.1f", startupMs);
  if (o.unmapAt >= 0)
    std::printf(" unmapped_seconds=%.2f cpu_unmapped_pct=%.2f", unmappedTicks ? Seconds(now - unmappedAt) : 0.0,
                Percent(unmappedTicks, ticks, Seconds(now - unmappedAt)));
  if (o.server) std::printf(" xserver_cpu_pct=%.2f", Percent(serverStart, serverEnd, elapsed));
  const bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::printf(" clean_exit=%d\n", clean ? 1 : 0);
  return ticks && peakKb ? 0 : 1;
}
