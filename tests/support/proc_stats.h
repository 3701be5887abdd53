// SPDX-License-Identifier: Zlib
// Reads what the kernel keeps about a running process: CPU time spent (user
// plus system, all threads) and peak resident memory. Parsing is apart from
// file reading so that tests can feed it odd process names.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace procstats {

// utime + stime, in clock ticks, from the text of /proc/<pid>/stat. The name
// field may itself hold spaces and parentheses, so fields are counted from the
// last ')'. Empty on malformed text.
std::optional<uint64_t> ParseCpuTicks(std::string_view stat);

// A "Name:   123 kB" line's value in kB from the text of /proc/<pid>/status
// (VmHWM for the peak resident set, VmRSS for the current one).
std::optional<uint64_t> ParseStatusKb(std::string_view status, std::string_view key);

// The same, read from /proc for a live process.
std::optional<uint64_t> CpuTicks(pid_t pid);
std::optional<uint64_t> StatusKb(pid_t pid, std::string_view key);

// Clock ticks per second of the figures above.
long TicksPerSecond();

}  // namespace procstats
