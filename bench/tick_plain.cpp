// SPDX-License-Identifier: Zlib
// The game's tick timed alone, as one program built both natively and for the page (run under
// node there), so that the two compare like for like: the standard world, the bot playing,
// the engine's geometry linked in, and 20 000 ticks timed one by one after a warm-up.
// Prints one line: "ticks=20000 median_us=… p99_us=… mean_us=…".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_world.h"
#include "core_binding.h"
#include "input_bot.h"
#include "shell/uShell.h"

int main() {
  using Clock = std::chrono::steady_clock;
  corebinding::Bind(&zgl::api);
  inputbot::Install(&zgl::api);
  benchworld::BuildStandard(20240607);
  for (int i = 0; i < 2000; ++i) OnTimer();  // the world as it stands in play
  std::vector<double> us(20000);
  double sum = 0;
  for (double& t : us) {
    const auto t0 = Clock::now();
    OnTimer();
    sum += t = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
  }
  std::sort(us.begin(), us.end());
  std::printf("ticks=%zu median_us=%.2f p99_us=%.2f mean_us=%.2f\n", us.size(), us[us.size() / 2],
              us[us.size() * 99 / 100], sum / double(us.size()));
}
