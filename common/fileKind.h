// SPDX-License-Identifier: Zlib
// The words the game and its engine use for a file that cannot be read as one:
// why open() failed, and what a name is when it is not a regular file.
#pragma once

#ifndef _WIN32
#include <sys/types.h>

#include <string>

namespace filekind {

// open()'s error number as a reason: a loop of symbolic links, a socket or a
// device without its driver, else the system's own text.
std::string OpenError(int error);
// "is a folder", "is a FIFO", … for a mode that is not a regular file's.
const char* KindOf(mode_t mode);

}  // namespace filekind
#endif
