// SPDX-License-Identifier: Zlib
// One-line diagnostics on standard error. The game stores load results
// unchecked, so the engine is the only one that can say what went wrong.
#pragma once

#include <cstddef>

namespace engine {

// The longest message a line carries.
constexpr size_t kReportBytes = 1000;

// Writes "ZenGL: <message>\n" to stderr as one write, with what a file or the
// system put in it shown printable (see common/printable.h): a message longer
// than kReportBytes loses its middle, never its end. Allocates nothing.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace engine
