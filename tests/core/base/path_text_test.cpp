#include "core/base/path_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/os/files.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace corvina {
namespace {

// Names beyond ASCII keep their spelling from text to path and back, part by part; on Windows
// the path holds them as UTF-16.
TEST(PathText, Utf8NamesSurviveThePathAndItsParts) {
    for (const std::string name : {"曲①.SAT", "ジャケット画像", "波～線", "plain.SAT", "é ♪ 𝄞"}) {
        SCOPED_TRACE(name);
        const fs::path path = PathFromUtf8("top/" + name);
        EXPECT_EQ(Utf8FromPath(path.filename()), name);
        EXPECT_EQ(Utf8FromPath(path.parent_path()), "top");
        EXPECT_EQ(fs::path(u8"top") / PathFromUtf8(name), path);
    }
#ifdef _WIN32
    EXPECT_EQ(PathFromUtf8("曲①\\波～線.SAT").wstring(), L"曲①\\波～線.SAT");
    EXPECT_EQ(Utf8FromPath(fs::path(L"ジャケット画像\\𝄞")), "ジャケット画像\\𝄞");
#else
    // A Linux path is its bytes, UTF-8 or not.
    EXPECT_EQ(PathFromUtf8("\xFF\x80.SAT").native(), "\xFF\x80.SAT");
    EXPECT_EQ(Utf8FromPath(fs::path("\xFF\x80.SAT")), "\xFF\x80.SAT");
#endif
}

// The test support and the files agree on such names: what one writes, the other finds.
TEST(PathText, FilesWithJapaneseNamesAreFoundByTheirNames) {
    test::TempDir dir;
    test::WriteText(dir / "ジャケット画像.GBP", "jacket");
    WriteWholeFile(dir / "曲①.SAT", std::vector<std::uint8_t>{'t'});
    EXPECT_EQ(test::ReadText(dir / "曲①.SAT"), "t");
    EXPECT_EQ(ReadWholeFile(dir / "ジャケット画像.GBP").size(), 6u);
    std::vector<std::string> names;
    for (const DirEntry& entry : ListFolder(dir.path(), "*")) names.push_back(entry.name);
    EXPECT_THAT(names, testing::UnorderedElementsAre("ジャケット画像.GBP", "曲①.SAT"));
}

}  // namespace
}  // namespace corvina
