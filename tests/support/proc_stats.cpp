// SPDX-License-Identifier: Zlib
#include "proc_stats.h"

#include <unistd.h>

#include <charconv>
#include <string>

#include "child_process.h"

namespace procstats {

namespace {

std::optional<uint64_t> ParseUnsigned(std::string_view s) {
  uint64_t v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<uint64_t> ParseCpuTicks(std::string_view stat) {
  const size_t close = stat.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  // After the name: field 3 (state) onward; utime is field 14, stime 15.
  std::string_view rest = stat.substr(close + 1);
  int field = 2;
  std::optional<uint64_t> utime, stime;
  size_t pos = 0;
  while (pos < rest.size() && field < 15) {
    while (pos < rest.size() && rest[pos] == ' ') ++pos;
    size_t end = rest.find_first_of(" \n", pos);
    if (end == std::string_view::npos) end = rest.size();
    if (end == pos) break;
    ++field;
    std::string_view token = rest.substr(pos, end - pos);
    if (field == 14) utime = ParseUnsigned(token);
    if (field == 15) stime = ParseUnsigned(token);
    pos = end;
  }
  if (!utime || !stime) return std::nullopt;
  return *utime + *stime;
}

std::optional<uint64_t> ParseStatusKb(std::string_view status, std::string_view key) {
  size_t pos = 0;
  while (pos < status.size()) {
    size_t end = status.find('\n', pos);
    if (end == std::string_view::npos) end = status.size();
    std::string_view line = status.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ':')
      continue;
    std::string_view value = line.substr(key.size() + 1);
    const size_t first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    value = value.substr(first);
    const size_t unit = value.find(' ');
    if (unit == std::string_view::npos || value.substr(unit) != " kB") return std::nullopt;
    return ParseUnsigned(value.substr(0, unit));
  }
  return std::nullopt;
}

// A process that is gone reads as empty text, which parses as nothing.
std::optional<uint64_t> CpuTicks(pid_t pid) {
  return ParseCpuTicks(e2e::ReadFile("/proc/" + std::to_string(pid) + "/stat"));
}

std::optional<uint64_t> StatusKb(pid_t pid, std::string_view key) {
  return ParseStatusKb(e2e::ReadFile("/proc/" + std::to_string(pid) + "/status"), key);
}

long TicksPerSecond() { return sysconf(_SC_CLK_TCK); }

}  // namespace procstats
