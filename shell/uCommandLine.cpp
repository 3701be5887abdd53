// SPDX-License-Identifier: Zlib
#include "shell/uCommandLine.h"
#include "common/printable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef STEALTHBOX_VERSION
#define STEALTHBOX_VERSION "unknown"
#endif

namespace {

// A whole decimal number that fits 64 bits, nothing else (no sign, no spaces, no hex).
std::optional<uint64_t> ParseSeed(const char* s) {
  if (!s || !*s) return std::nullopt;
  for (const char* p = s; *p; ++p)
    if (*p < '0' || *p > '9') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s, &end, 10);
  if (errno == ERANGE || *end != '\0') return std::nullopt;
  return uint64_t(v);
}

CommandLine Fail(std::string line) {
  CommandLine cl;
  cl.action = CommandLine::Action::Error;
  cl.error = "stealthbox: " + line + "; try 'stealthbox --help'";
  return cl;
}

// Prints the help or the version: 0 once it is written, 1 with a word on
// stderr when it could not be (a full disk, a closed pipe), so that a
// script that saves it learns that it has not.
int Answer(const std::string& text, const char* what) {
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  const int error = errno;
  std::fprintf(stderr, "stealthbox: cannot write the %s: %s\n", what, std::strerror(error));
  return 1;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    if (arg == "--help" || arg == "-h") {
      cl.action = CommandLine::Action::Help;
      return cl;
    }
    if (arg == "--version") {
      cl.action = CommandLine::Action::Version;
      return cl;
    }
    if (arg == "--seed" || arg.rfind("--seed=", 0) == 0) {
      const bool joined = arg != "--seed";
      if (!joined && i + 1 >= argc) return Fail("option '--seed' needs a number");
      const char* value = joined ? argv[i] + 7 : argv[++i];
      auto seed = ParseSeed(value);
      if (!seed) return Fail("'" + Printable(value) + "' is not a seed (a whole number from 0 to 18446744073709551615)");
      cl.seed = seed;
      continue;
    }
    return Fail("unrecognised argument '" + Printable(arg) + "'");
  }
  return cl;
}

std::string UsageText() {
  return "Usage: stealthbox [--seed N]\n"
         "A top-down stealth game: walk past the guards unseen, or hide under a box.\n"
         "\n"
         "Controls:\n"
         "  W A S D   walk (held)\n"
         "  mouse     the hero faces the pointer\n"
         "  E         take a box within reach; press again to set it down\n"
         "  Standing still under a carried box, no guard can see you.\n"
         "  Close the window to quit.\n"
         "\n"
         "Options:\n"
         "  --seed N   play the world that seed N places (a whole number), to replay or share it\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string VersionText() {
  return std::string("stealthbox ") + STEALTHBOX_VERSION +
         "\nFree software under the zlib licence: use it, change it, pass it on; no warranty.\n";
}

std::optional<int> AnswerCommandLine(const CommandLine& cl) {
  switch (cl.action) {
    case CommandLine::Action::Play: return std::nullopt;
    case CommandLine::Action::Help: return Answer(UsageText(), "help");
    case CommandLine::Action::Version: return Answer(VersionText(), "version");
    case CommandLine::Action::Error:
      std::fprintf(stderr, "%s\n", cl.error.c_str());
      return 2;
  }
  return 2;
}
