// SPDX-License-Identifier: Zlib
// SIGINT and SIGTERM while the engine runs: a stop ends the loop in order, and
// a deadline that the stop itself arms makes sure it ends. Whatever the engine
// waits in (a display that takes the connection and never answers keeps the X
// library waiting for ever, through every interruption), once a stop has come
// and the game has not ended within kStopDeadlineMs, a line on stderr says why
// and the process ends with exit code 1. A signal that the game's parent
// ignores (as shells do for background jobs) stays ignored.
#pragma once

namespace engine {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A build with sanitizers does everything several times slower, the closing of its window
// too: its deadline is stretched to match.
constexpr int kStopDeadlineMs = 2000;
#else
constexpr int kStopDeadlineMs = 500;
#endif

// What the engine is doing, for the line the deadline writes.
enum class StopPhase { kOpening, kLoading, kPlaying, kClosing };

// Takes the signals for the loop and lets a stop held until now arrive.
void TakeStopSignals();
// Gives them back as they were and lifts the deadline of a stop that came;
// nothing changes when `untilExit` (the process's last run, which ends the
// process next).
void GiveBackStopSignals(bool untilExit);
// A stop has come since TakeStopSignals (and the signals are still taken).
bool StopRequested();
void SetStopPhase(StopPhase phase);

}  // namespace engine
