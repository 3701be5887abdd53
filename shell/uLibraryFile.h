// SPDX-License-Identifier: Zlib
// The engine library checked whole before the system's loader sees it. The
// loader maps a library's parts where its headers say they lie; a file cut
// short (an interrupted copy, a full disk) then faults inside the loader, and
// the game dies of SIGBUS with no word said. Such a file is refused like a
// missing one instead.
#pragma once

#include <string>

// "" when the open file `fd` is a shared library for the machine and word
// size this program runs on, and every part its headers name (segments,
// program and section headers, sections) lies inside the file; else why not,
// as words that follow the file's name ("is cut short: ..."). Reads with
// pread only, so the file's position is left as it was. Where libraries are
// not ELF files, nothing is checked.
std::string CheckLibraryFile(int fd);
