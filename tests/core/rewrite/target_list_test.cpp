#include "core/rewrite/target_list.h"

#include <gtest/gtest.h>

#include "core/rewrite/rewrite_settings.h"

namespace corvina {
namespace {

TEST(TargetListTest, EntriesJoinTheFolderOnceAndKeepTheFileListOrder) {
    EXPECT_EQ(TargetEntry('f', "F:\\", "A.SAT"), "F:\\A.SAT");
    EXPECT_EQ(TargetEntry('F', "F:\\MUSIC", "A.SAT"), "F:\\MUSIC\\A.SAT");
    // The root test is exact: another drive's root is not this drive's.
    EXPECT_EQ(TargetEntry('g', "F:\\", "A.SAT"), "F:\\\\A.SAT");
    const std::vector<std::string> names = {"A.SAT", "B.SAT", "[SUB.SAT]"};
    const std::vector<int> positions = {0, 2, 5};
    EXPECT_EQ(TargetEntries('f', "F:\\X", names, positions),
              (std::vector<std::string>{"F:\\X\\A.SAT", "F:\\X\\[SUB.SAT]"}));
    EXPECT_TRUE(TargetEntries('f', "F:\\X", names, {}).empty());
}

TEST(RewriteSettingsTest, OkRefusesNothingToDoAndAJacketNeverLoaded) {
    struct Case {
        bool tags, jacket, loaded;
        std::optional<std::string_view> message;
    };
    const Case cases[] = {
        {false, false, false, kNothingToRewriteMessage},
        {false, false, true, kNothingToRewriteMessage},
        {false, true, false, kNoJacketLoadedMessage},
        {true, true, false, kNoJacketLoadedMessage},
        {true, false, false, std::nullopt},
        {false, true, true, std::nullopt},
        {true, true, true, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckRewriteSettings({c.tags, c.jacket, c.loaded}), c.message)
            << c.tags << c.jacket << c.loaded;
}

}  // namespace
}  // namespace corvina
