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

// A private copy of the open regular file `fd` (found at `path`) of `size`
// bytes that nothing can change any more: read once into a sealed memory file
// named after it. -1 where the system has no such files (the caller then goes
// on with `fd` itself), or when the file could not be copied whole, and then
// `why` says why.
int SealedCopy(int fd, const std::string& path, unsigned long long size, std::string& why);

// "" when the system's loader loads the library at `path` and lives: tried in
// a short-lived child process, so that a library damaged inside (the parts the
// loader follows zeroed, as an interrupted copy into a preallocated file
// leaves them) takes the child down, not the game; else why not. The library's
// load-time code runs in that child too, so it must touch nothing outside it.
std::string TrialLoad(const std::string& path);
