#include "core/os/scratch_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/environment_guard.h"
#include "support/temp_dir.h"

namespace corvina {
namespace {

// A scratch file gives back what was written where it was written, reads zeros in a hole, reports
// a read past its end, and leaves no name in the temporary folder.
TEST(ScratchFileTest, KeepsBytesAtTheirOffsetsAndLeavesNoName) {
    test::TempDir dir;
    const test::EnvironmentGuard tmpdir("TMPDIR", dir.path().c_str());
    const int scratch = OpenScratchFile();
    ASSERT_GE(scratch, 0);

    const std::string first = "coefficients", second = "more rows";
    EXPECT_EQ(WriteScratch(scratch, second.data(), second.size(), 1 << 20), 0);
    EXPECT_EQ(WriteScratch(scratch, first.data(), first.size(), 5), 0);
    std::string read(first.size(), '\0');
    EXPECT_EQ(ReadScratch(scratch, read.data(), read.size(), 5), 0);
    EXPECT_EQ(read, first);
    read.assign(second.size(), '\0');
    EXPECT_EQ(ReadScratch(scratch, read.data(), read.size(), 1 << 20), 0);
    EXPECT_EQ(read, second);
    // Never written below the later write: zeros, as a file with a hole reads.
    read.assign(4, 'x');
    EXPECT_EQ(ReadScratch(scratch, read.data(), read.size(), 100), 0);
    EXPECT_EQ(read, std::string(4, '\0'));
    // Past the end.
    EXPECT_EQ(ReadScratch(scratch, read.data(), read.size(), (1 << 20) + second.size() - 1), EIO);

    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    CloseScratchFile(scratch);
}

}  // namespace
}  // namespace corvina
