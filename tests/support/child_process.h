// SPDX-License-Identifier: Zlib
// Child processes for the tests and the benchmarks: the virtual X server, the game
// itself, the programs measured, started with an exact environment and working
// directory, their output kept in files, and always reaped so that no test leaves a
// process behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How a child ended: a normal exit with its code, or the signal that killed it.
struct ExitStatus {
  bool exited = false;
  int code = -1;
  int signal = 0;
  std::string Describe() const;
};

// The test process's own environment, whole or minus what would steer the game elsewhere.
std::map<std::string, std::string> Environment();
std::map<std::string, std::string> CleanEnvironment();

struct SpawnOptions {
  std::vector<std::string> argv;
  std::map<std::string, std::string> env;
  std::string cwd;          // empty: the test's own
  std::string stdoutPath;   // empty: /dev/null
  std::string stderrPath;   // empty: /dev/null
  int inheritFd = -1;       // one descriptor the child keeps open (Xvfb's -displayfd)
  int cwdFd = -1;           // a working folder by descriptor (one too deep for a path to name)
  std::string pidVariable{};  // set in the child to its own process id, when named
  bool inheritOutput = false;  // the caller's own standard output and error, not the paths
};

class Process {
 public:
  Process() = default;
  explicit Process(const SpawnOptions& options);
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();  // kills the child's whole process group if it still runs

  pid_t pid() const { return pid_; }
  bool Running();
  // Waits up to the timeout; nullopt if the child still runs then.
  std::optional<ExitStatus> Wait(milliseconds timeout);
  void Signal(int sig);
  void KillGroup();  // SIGKILL to the child and anything it started, then reap

 private:
  void Reap(int status);
  pid_t pid_ = -1;
  std::optional<ExitStatus> status_;
};

}  // namespace e2e
