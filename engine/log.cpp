// SPDX-License-Identifier: Zlib
#include "log.h"

#include <cstdarg>
#include <cstdio>

#include "common/printable.h"

namespace engine {

void Report(const char* format, ...) {
  // Room for a name that a caller did not cut: the line is cut in its middle
  // below, so that the reason at its end stays.
  char raw[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(raw, sizeof raw, format, args);
  va_end(args);
  char line[kReportBytes + 1];
  PrintableInto(line, sizeof line, raw, kReportBytes);
  std::fprintf(stderr, "ZenGL: %s\n", line);
}

}  // namespace engine
