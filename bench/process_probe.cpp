// SPDX-License-Identifier: Zlib
// Runs one program for a fixed time and reports, on one line of key=value pairs, what it
// cost: CPU as a percentage of one core (user + system, all threads) over the whole run and
// from its first second on, peak resident memory, and optionally the time from its start to
// its first drawn frame (its 800 x 600 window's middle row no longer all black, watched from
// outside through X), the CPU from the moment its window is unmapped as a window manager does
// on minimising, and the CPU the X server spent meanwhile.
//
//   process_probe --name N --seconds S [--startup] [--unmap-at S] [--server-pid PID] -- prog args...
//   process_probe --name N --startup-only -- prog args...   (stops at the first frame)
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "proc_stats.h"
#include "x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Percent(std::optional<uint64_t> from, std::optional<uint64_t> to, double seconds) {
  if (!from || !to || seconds <= 0) return -1;
  return 100.0 * double(*to - *from) / double(procstats::TicksPerSecond()) / seconds;
}

bool Number(const char* text, double low, double high, double* out) {
  char* end = nullptr;
  *out = std::strtod(text, &end);
  return *end == '\0' && *out >= low && *out <= high;
}

// The measured window: the topmost viewable 800 x 600 one. Looked for until found, then
// kept, so that a poll costs the X server one small read and not a walk of every window.
std::optional<e2e::WindowInfo> gWindow;

bool FrameShown(e2e::XSession& x) {
  if (!gWindow)
    for (const e2e::WindowInfo& w : x.AllWindows())
      if (w.viewable && w.width == 800 && w.height == 600) gWindow = w;
  if (!gWindow) return false;
  const e2e::Picture row = x.Capture(*gWindow, 300, 1);
  if (row.empty()) gWindow.reset();  // gone or changed: look for it again
  return !row.empty() && row.Count(0) < row.width;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = "program";
  double seconds = 10, unmapAt = -1, server = 0;
  bool startup = false, startupOnly = false, good = true;
  int i = 1;
  for (; good && i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string arg = argv[i];
    const bool value = i + 1 < argc;
    if (arg == "--startup") startup = true;
    else if (arg == "--startup-only") startup = startupOnly = true;
    else if (arg == "--name" && value) name = argv[++i];
    else if (arg == "--seconds" && value) good = Number(argv[++i], 1.0001, 3600, &seconds);
    else if (arg == "--unmap-at" && value) good = Number(argv[++i], 0, 3600, &unmapAt);
    else if (arg == "--server-pid" && value) good = Number(argv[++i], 1, 1 << 22, &server);
    else good = false;
  }
  e2e::SpawnOptions o;
  for (++i; i < argc; ++i) o.argv.push_back(argv[i]);
  if (!good || o.argv.empty())
    return std::fprintf(stderr, "usage: %s [--name N] [--seconds S] [--startup | --startup-only] [--unmap-at S] "
                        "[--server-pid PID] -- program [args...]\n", argv[0]), 2;
  std::unique_ptr<e2e::XSession> x;
  try {
    if (startup || unmapAt >= 0)
      x = std::make_unique<e2e::XSession>(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
  } catch (const std::exception& e) {
    return std::fprintf(stderr, "%s: %s\n", argv[0], e.what()), 1;
  }
  o.env = e2e::Environment();
  o.inheritOutput = true;
  const pid_t serverPid = pid_t(server);
  const auto serverStart = serverPid ? procstats::CpuTicks(serverPid) : std::nullopt;
  const auto start = Clock::now();
  e2e::Process program(o);
  const auto at = [&](double s) { return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s)); };
  double startupMs = -1;
  std::optional<uint64_t> steadyTicks, unmappedTicks;
  Clock::time_point steadyAt, unmappedAt;
  while (Clock::now() < at(seconds) && program.Running()) {
    if (startup && startupMs < 0 && FrameShown(*x)) {
      startupMs = 1000.0 * Seconds(Clock::now() - start);
      if (startupOnly) break;
    }
    // Once the window shows its first frame: one unmapped before it ever drew says nothing.
    if (unmapAt >= 0 && !unmappedTicks && Clock::now() >= at(unmapAt) && FrameShown(*x)) {
      x->Unmap(*gWindow);
      unmappedAt = Clock::now();
      unmappedTicks = procstats::CpuTicks(program.pid());
    }
    if (!steadyTicks && Clock::now() >= at(1)) steadyAt = Clock::now(), steadyTicks = procstats::CpuTicks(program.pid());
    // Poll the screen finely until the first frame, then only wake for the samples.
    std::this_thread::sleep_for(startup && startupMs < 0 ? std::chrono::microseconds(500) : std::chrono::milliseconds(20));
  }
  if (!program.Running())
    return std::printf("name=%s error=exited-early status=%s\n", name.c_str(),
                       program.Wait({})->Describe().c_str()), 1;
  const auto now = Clock::now();
  const double elapsed = Seconds(now - start);
  const auto ticks = procstats::CpuTicks(program.pid());
  const auto peakKb = procstats::StatusKb(program.pid(), "VmHWM");
  const auto serverEnd = serverPid ? procstats::CpuTicks(serverPid) : std::nullopt;
  // Asked to close as a player would (SDL turns SIGTERM into a quit), ended if it does not.
  program.Signal(SIGTERM);
  const auto status = program.Wait(std::chrono::seconds(2));
  std::fflush(stdout);  // after the program's own lines
  if (startupOnly) {
    std::printf("name=%s startup_ms=%.1f\n", name.c_str(), startupMs);
    return startupMs >= 0 ? 0 : 1;
  }
  std::printf("name=%s seconds=%.2f cpu_pct=%.2f cpu_steady_pct=%.2f peak_rss_kb=%llu", name.c_str(), elapsed,
              Percent(uint64_t(0), ticks, elapsed), Percent(steadyTicks, ticks, Seconds(now - steadyAt)),
              (unsigned long long)(peakKb ? *peakKb : 0));
  if (startup) std::printf(" startup_ms=%.1f", startupMs);
  if (unmapAt >= 0)
    std::printf(" unmapped_seconds=%.2f cpu_unmapped_pct=%.2f", unmappedTicks ? Seconds(now - unmappedAt) : 0.0,
                Percent(unmappedTicks, ticks, Seconds(now - unmappedAt)));
  if (serverPid) std::printf(" xserver_cpu_pct=%.2f", Percent(serverStart, serverEnd, elapsed));
  std::printf(" clean_exit=%d\n", status && status->exited && status->code == 0 ? 1 : 0);
  return ticks && peakKb ? 0 : 1;
}
