// SPDX-License-Identifier: Zlib
#include "log.h"

#include <cstdarg>
#include <cstdio>

namespace engine {

void Report(const char* format, ...) {
  char line[1024];
  int head = std::snprintf(line, sizeof line, "ZenGL: ");
  va_list args;
  va_start(args, format);
  std::vsnprintf(line + head, sizeof line - head - 1, format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", line);
}

}  // namespace engine
