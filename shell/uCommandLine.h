// SPDX-License-Identifier: Zlib
// What the command line asks of the program: play (with a world of its own or a
// chosen one), print the usage or the version, or refuse a bad argument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct CommandLine {
  enum class Action { Play, Help, Version, Error };
  Action action = Action::Play;
  // A chosen world: the same seed places the same walls, boxes and guards.
  std::optional<uint64_t> seed;
  // For Error: the one line to print.
  std::string error;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string UsageText();
std::string VersionText();

// Carries out Help, Version and Error (printing on stdout or stderr); returns the
// exit code for those (1 when the help or the version could not be written), or
// nothing when the game is to be played.
std::optional<int> AnswerCommandLine(const CommandLine& cl);
