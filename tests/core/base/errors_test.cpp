#include "core/base/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/formats/sat_tags.h"
#include "core/text/profile.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

TEST(ErrorText, OneLayoutLeavingOutEmptyParts) {
    EXPECT_EQ(FormatErrorText({"ファイルを開けません", "F:\\A.SAT", "No such file or directory"}),
              "ファイルを開けません: \"F:\\A.SAT\" (No such file or directory)");
    EXPECT_EQ(FormatErrorText({"ドライブのパスではありません", "x", ""}),
              "ドライブのパスではありません: \"x\"");
    EXPECT_EQ(FormatErrorText({"変換を使えません", "", "理由"}), "変換を使えません (理由)");
    // A name's control characters, a line break among them, show as codes; the path stays whole.
    EXPECT_EQ(FormatErrorText({"開けません", "F:\\A\rB\x1F\x7F\tC.SAT", ""}),
              "開けません: \"F:\\A\\x0DB\\x1F\\x7F\\x09C.SAT\"");

    const FormatError format("読み込めません", "a.jpg", "壊れています");
    const Error& base = format;
    EXPECT_STREQ(base.what(), "読み込めません: \"a.jpg\" (壊れています)");
    EXPECT_EQ(base.path(), "a.jpg");

    // A message that names the file already takes the failure and the reason alone.
    EXPECT_EQ(FailureText(format), "読み込めません (壊れています)");
    EXPECT_EQ(FailureText(FileError("", "F:\\A.SAT", "外にあります")), "外にあります");
    EXPECT_EQ(FailureText(std::length_error("vector")), "vector");
}

// Requests the core refuses are the caller's mistake, and still name the file in Japanese.
TEST(ErrorText, RefusedRequestsNameTheFile) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "A.SAT";
    test::WriteText(file, std::string(1000, 'x'));
    const std::function<void()> requests[] = {
        [&] { WritePrivateProfileString("S", "K", "a\nb", file); },
        [&] { WritePrivateProfileString("S", "K=", "v", file); },
        [&] {
            RewriteTagBlock(file, {std::nullopt, 256, std::nullopt});
        },
        [&] {
            RewriteTagBlock(file, {std::nullopt, std::nullopt, std::string("x.GBP")});
        },
    };
    for (const auto& request : requests) {
        try {
            request();
            ADD_FAILURE() << "not refused";
        } catch (const UsageError& e) {
            EXPECT_EQ(e.path(), file.string());
            EXPECT_EQ(std::string(e.what()).find(e.failure() + ": \"" + file.string() + "\" ("), 0u)
                << e.what();
            EXPECT_FALSE(e.reason().empty());
        }
    }
    EXPECT_EQ(test::ReadText(file), std::string(1000, 'x'));
}

}  // namespace
}  // namespace corvina
