// SPDX-License-Identifier: Zlib
// Text from outside the program (file and folder names, the words of a file,
// the system's own error texts) as it may be shown on a player's terminal: a
// stranger's file name must not be able to send escape sequences, and a long
// one must not push the reason off the end of its message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Enough of a name to recognise it; the rest of the message keeps its room.
constexpr size_t kShownNameBytes = 160;

// Writes `text` into `out` (always NUL-terminated, at most `capacity` bytes with
// the NUL), control characters and bytes that are not UTF-8 written as \xNN.
// Longer than `limit` bytes so written, its middle gives way to "..." so that
// both ends stay. Allocates nothing, so any message can go through it. Returns
// the length written.
size_t PrintableInto(char* out, size_t capacity, std::string_view text, size_t limit);

std::string Printable(std::string_view text, size_t limit = kShownNameBytes);
