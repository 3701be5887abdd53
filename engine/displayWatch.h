// SPDX-License-Identifier: Zlib
// The one moment a stop signal cannot end the game in order: while the
// display is being opened. SDL waits inside the X library for the server's
// answer, and the X library goes back to waiting after any interruption, so a
// server that accepted the connection and never answers (a dead ssh -X tunnel,
// a frozen X server) would hold a stop forever. A watch thread covers that
// moment: once a stop has come, and the engine's thread has done no work for
// a while (it is waiting, not busy), it says so and ends the process.
#pragma once

#include <string>

namespace engine {

// Watches from Arm to Disarm, on the thread that called Arm.
class DisplayWatch {
 public:
  // `message`: the line written to stderr when the watch ends the process.
  void Arm(const std::string& message);
  void Disarm();
  // A stop has come. Safe in a signal handler.
  void Notice();

  // No work this long after a stop, and the display is given up for stalled.
  static constexpr int kIdleMs = 400;
  // Nor does a busy opening hold a stop for longer than this.
  static constexpr int kLongestMs = 5000;
};

}  // namespace engine
