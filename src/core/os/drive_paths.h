#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the drive model asks of the system it runs on, and the path rules it shares between the
// system's sources and its own (core/os/drives.cpp).
namespace corvina::drive_paths {

// The components of the part after "X:", with "." dropped and ".." applied, never climbing above
// the root.
std::vector<std::string_view> Components(std::string_view rest);

// `inner` lies inside or is `outer`, compared component by component; the rest goes to `rest`.
bool StartsWithPath(const std::filesystem::path& inner, const std::filesystem::path& outer,
                    std::vector<std::string>& rest);

// `path` as the system reaches it: every link on the way followed to its end, what does not
// exist kept as spelt. Nothing when the links cannot be read or go round in a loop. (System.)
std::optional<std::filesystem::path> FollowLinks(const std::filesystem::path& path);

// Whether an entry exists at `path` (not followed), and whether it is a link: a symbolic link,
// or on Windows any reparse point (a junction too). (System.)
struct EntryKind {
    bool exists = false;
    bool isLink = false;
};
EntryKind LookAtEntry(const std::filesystem::path& path) noexcept;

// Throws FileError `failure` naming `shown` when `path` with its links followed does not lie
// inside `root` with its links followed.
void CheckFollowedInside(const std::filesystem::path& path, const std::filesystem::path& root,
                         const std::string& shown, const char* failure);

inline constexpr const char* kOutsideFolder = "フォルダの外を指すリンクには書き込みません";

}  // namespace corvina::drive_paths
