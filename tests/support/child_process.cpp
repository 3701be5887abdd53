// SPDX-License-Identifier: Zlib
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace e2e {

std::string ExitStatus::Describe() const {
  if (exited) return "exit code " + std::to_string(code);
  if (signal) return std::string("killed by signal ") + strsignal(signal);
  return "still running";
}

std::map<std::string, std::string> Environment() {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string kv = *e;
    auto eq = kv.find('=');
    if (eq == std::string::npos) continue;
    env[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  return env;
}

std::map<std::string, std::string> CleanEnvironment() {
  std::map<std::string, std::string> env = Environment();
  // The game must find its engine and draw the way a player's machine does.
  for (const char* name : {"LD_LIBRARY_PATH", "LD_PRELOAD", "SDL_VIDEODRIVER", "SDL_RENDER_DRIVER",
                           "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY"})
    env.erase(name);
  return env;
}

Process::Process(const SpawnOptions& o) {
  if (o.argv.empty()) throw std::invalid_argument("spawn: empty argv");
  // Everything the child needs is prepared before fork: only async-signal-safe calls after it.
  std::vector<std::string> envStrings;
  for (auto& [k, v] : o.env) envStrings.push_back(k + "=" + v);
  // Room for the child's own process id, written in after fork.
  if (!o.pidVariable.empty()) envStrings.push_back(o.pidVariable + "=" + std::string(20, '\0'));
  char* pidDigits = o.pidVariable.empty() ? nullptr : envStrings.back().data() + o.pidVariable.size() + 1;
  std::vector<char*> envp, argv;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = o.argv;
  for (auto& s : args) argv.push_back(s.data());
  argv.push_back(nullptr);
  const std::string out = o.stdoutPath.empty() ? "/dev/null" : o.stdoutPath;
  const std::string err = o.stderrPath.empty() ? "/dev/null" : o.stderrPath;

  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error(std::string("fork: ") + strerror(errno));
  if (pid == 0) {
    setpgid(0, 0);  // its own group, so that a teardown reaches what it started
    // A player's start: stops neither ignored nor held, however the tests were started (a
    // shell's background job ignores SIGINT, and the game keeps what it is handed).
    signal(SIGINT, SIG_DFL), signal(SIGTERM, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int in = open("/dev/null", O_RDONLY);
    int fo = o.inheritOutput ? 1 : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int fe = o.inheritOutput ? 2 : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || fo < 0 || fe < 0) _exit(126);
    dup2(in, 0), dup2(fo, 1), dup2(fe, 2);
    for (int fd = 3; fd < 1024; ++fd)
      if (fd != o.inheritFd && fd != o.cwdFd) close(fd);
    if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
    if (o.cwdFd >= 0 && fchdir(o.cwdFd) != 0) _exit(126);
    if (pidDigits) {
      char digits[20];
      int n = 0;
      for (pid_t self = getpid(); self > 0 || n == 0; self /= 10) digits[n++] = char('0' + self % 10);
      for (int i = 0; i < n; ++i) pidDigits[i] = digits[n - 1 - i];
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  setpgid(pid, pid);
  pid_ = pid;
}

Process::Process(Process&& other) noexcept : pid_(std::exchange(other.pid_, -1)), status_(other.status_) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    KillGroup();
    pid_ = std::exchange(other.pid_, -1);
    status_ = other.status_;
  }
  return *this;
}

Process::~Process() { KillGroup(); }

void Process::Reap(int status) {
  ExitStatus s;
  if (WIFEXITED(status)) s.exited = true, s.code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) s.signal = WTERMSIG(status);
  status_ = s;
}

bool Process::Running() {
  if (pid_ < 0 || status_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    Reap(status);
    return false;
  }
  return true;
}

std::optional<ExitStatus> Process::Wait(milliseconds timeout) {
  auto end = Clock::now() + timeout;
  while (Running()) {
    if (Clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(milliseconds(5));
  }
  return status_;
}

void Process::Signal(int sig) {
  if (Running()) kill(pid_, sig);
}

void Process::KillGroup() {
  if (pid_ < 0) return;
  kill(-pid_, SIGKILL);  // the group outlives a leader that already ended
  if (!status_) {
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) Reap(status);
  }
}

}  // namespace e2e
