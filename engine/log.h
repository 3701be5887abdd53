// SPDX-License-Identifier: Zlib
// One-line diagnostics on standard error. The game stores load results
// unchecked, so the engine is the only one that can say what went wrong.
#pragma once

namespace engine {

// Writes "ZenGL: <message>\n" to stderr as one write.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace engine
