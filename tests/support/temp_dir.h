#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/path_text.h"

namespace corvina::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }
    // `name` is UTF-8.
    std::filesystem::path operator/(std::string_view name) const {
        return path_ / PathFromUtf8(name);
    }

private:
    std::filesystem::path path_;
};

// Writes and reads whole files without going through the code under test.
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, std::string_view text);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// The names of a folder's entries, sorted.
std::vector<std::string> EntryNames(const std::filesystem::path& folder);

// The third-party test pictures (folder `sub` of CORVINA_TESTDATA_DIR), or an empty path when
// they are absent; tests that need them call GTEST_SKIP() with a clear message then.
std::filesystem::path TestDataDir(std::string_view sub);

}  // namespace corvina::test

// Skips the current test with a clear message when the third-party test data is absent.
#define CORVINA_REQUIRE_TESTDATA(dirVar, sub)                                                   \
    const std::filesystem::path dirVar = ::corvina::test::TestDataDir(sub);                     \
    if (dirVar.empty())                                                                          \
    GTEST_SKIP() << "third-party test data not found at " CORVINA_TESTDATA_DIR "/" sub           \
                    " (set -DCORVINA_TESTDATA_DIR)"
