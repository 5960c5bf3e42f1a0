#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// Profile (INI) files as Windows reads and writes them, for one section and one key at a time.
// The file is code page 932 on disk; names, values and defaults are UTF-8 here.
namespace corvina {

// The buffer the program reads profile values into, in bytes, closing zero included: values are
// cut to 2047 bytes.
inline constexpr std::size_t kProfileBufferSize = 2048;

// The value of `key` in the first section named `section` (both compared ignoring case), or
// `defaultValue` with its trailing blanks removed when the file, the section or the key is
// missing. Blanks around a value and one pair of enclosing quotes are dropped. The result holds
// at most bufferSize - 1 bytes in code page 932 (a two-byte character is never split), as a
// caller's buffer of bufferSize bytes would. A file that cannot be read counts as missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::size_t bufferSize,
                                    const std::filesystem::path& file);

// Sets `key` in `section` to `value`, written verbatim: replaces the key's line, or adds the
// key after the section's last key, or adds the section at the end, or creates the file. Every
// other byte of the file stays as it was. Throws FileError when the file cannot be read or
// written, and UsageError (naming the file, writing nothing) for a value, key or section holding a
// line break or a NUL, which would corrupt the file.
void WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::filesystem::path& file);

}  // namespace corvina
