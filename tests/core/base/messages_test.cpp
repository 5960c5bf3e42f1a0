#include "core/base/messages.h"

#include <gtest/gtest.h>

namespace corvina {
namespace {

TEST(MessageBoxTest, DefaultErrorTextAddsAFullStopAfterLaterCharacters) {
    EXPECT_EQ(DefaultErrorText("C:\\Corvina\\Corvina.ini に書き込めません"),
              "C:\\Corvina\\Corvina.ini に書き込めません.");
    EXPECT_EQ(DefaultErrorText("abc"), "abc.");
    EXPECT_EQ(DefaultErrorText("a/"), "a/.");  // '/' comes after '.'
    EXPECT_EQ(DefaultErrorText("done."), "done.");
    EXPECT_EQ(DefaultErrorText("(No such file)"), "(No such file)");
    EXPECT_EQ(DefaultErrorText("a-"), "a-");
    EXPECT_EQ(DefaultErrorText(""), "");
    EXPECT_EQ(DefaultErrorText("音😀"), "音😀.");
}

}  // namespace
}  // namespace corvina
