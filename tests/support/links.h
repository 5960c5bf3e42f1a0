#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// Symbolic links and drive maps in tests, on both systems.
namespace corvina::test {

// Makes `link` a symbolic link to `target`, as std::filesystem::create_symlink and
// create_directory_symlink do on Linux, and throws std::filesystem::filesystem_error when it
// cannot. On Windows it is CreateSymbolicLinkW (a folder link when `target` is a folder), which
// the system allows only in developer mode or to an administrator; the link is checked to exist
// afterwards, since Wine 8 reports success and makes nothing.
void MakeLink(const std::filesystem::path& target, const std::filesystem::path& link);

// True when `path` is itself a symbolic link (on Windows: any reparse point).
bool IsLink(const std::filesystem::path& path);

// Why symbolic links cannot be made in `folder` on this system, found by making one; empty when
// they can.
std::string WhyNoLinks(const std::filesystem::path& folder);

}  // namespace corvina::test

// Skips the current test (call it from the test body or SetUp) where `folder` cannot hold
// symbolic links.
#define CORVINA_REQUIRE_LINKS(folder)                                                            \
    if (const std::string whyNoLinks = ::corvina::test::WhyNoLinks(folder); !whyNoLinks.empty()) \
    GTEST_SKIP() << whyNoLinks

// Skips the current test on Windows: it maps drive letters through a prefix folder's dosdevices
// links, the drive model of Linux. On Windows the drive letters are the system's own and a
// Windows path is the host's path, which the Windows tests of the drive layer check instead.
#ifdef _WIN32
#define CORVINA_REQUIRE_PREFIX_DRIVES()                                                          \
    GTEST_SKIP() << "maps drive letters through a prefix folder, as on Linux; on Windows the "  \
                    "drive letters are the system's own"
#else
#define CORVINA_REQUIRE_PREFIX_DRIVES() static_cast<void>(0)
#endif
