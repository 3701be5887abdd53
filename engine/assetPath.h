// SPDX-License-Identifier: Zlib
// Where an asset name, written as the game writes it ("Data\Angle.png"),
// is found on this machine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Backslashes become '/'.
std::string MapAssetName(std::string_view name);

// The folder of the running executable, without a trailing separator; "" if unknown.
std::string ExecutableDir();

// The folder part of a path ("" for a bare name).
std::string DirName(const std::string& path);

// The mapped name as a readable regular file: as given when absolute;
// otherwise in the working directory first, then in `exeDir`. Nothing when
// neither can be read.
std::optional<std::string> ResolveAsset(std::string_view name, const std::string& exeDir);

}  // namespace engine
