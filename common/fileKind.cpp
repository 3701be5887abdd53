// SPDX-License-Identifier: Zlib
#include "common/fileKind.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace filekind {

std::string OpenError(int error) {
  switch (error) {
    case ELOOP: return "is a loop of symbolic links";
    // What open() says of a socket, and of a device without its driver.
    case ENXIO: return "is a socket or a device, not a file";
    default: return std::strerror(error);
  }
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "is a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device";
  if (S_ISSOCK(mode)) return "is a socket";
  return "is not a regular file";
}

}  // namespace filekind
#endif
