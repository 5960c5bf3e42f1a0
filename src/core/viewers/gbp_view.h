#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/datetime.h"
#include "core/formats/gbp.h"
#include "core/pictures/picture.h"
#include "core/viewers/file_entry_text.h"

// The GBP view page: a GBP file shown with its name, kind, time stamp and size, and the
// selected files deleted.
namespace corvina {

class DriveMap;
class Messages;

inline constexpr std::string_view kDeleteQuestion =
    "選択したファイルを削除します。\rよろしいですか？";

// "Jacket GBP File" or "Wallpaper GBP File".
std::string_view GbpKindText(GbpKind kind) noexcept;

// A GBP file's directory entry as the page's value labels show it, and its kind by size.
struct GbpFileInfo {
    EntryTexts texts;
    GbpKindSize kind;
    std::string kindText;
};

GbpFileInfo GbpInfoOfEntry(const DirEntry& entry, const DateTimeFormat& format = {});

// A file shown: its values and its picture, decoded at its kind's size.
struct GbpShown {
    GbpFileInfo info;
    Picture15 picture;
};

// Reads the file at a host path: its entry, then its picture. Throws FileError when it cannot.
GbpShown ShowGbpFile(const std::filesystem::path& path, const DateTimeFormat& format = {});

// The same for the file a Windows path names; the FileError then names the Windows path, as the
// list shows the file, not the host file behind it.
GbpShown ShowGbpFile(const DriveMap& drives, std::string_view windowsPath,
                     const DateTimeFormat& format = {});

// The list item's path: the folder text, "\" and the name, always joined with "\" (at a drive
// root the separator is doubled, which names the same file).
std::string GbpItemPath(std::string_view folderText, std::string_view name);

// A file that could not be deleted, and why.
struct DeleteFailure {
    std::string name;
    std::string reason;
};

// Delete: asks first; on Yes deletes the named files of `folderText`, in the order given, then
// calls `reread` (the list is read again whatever was deleted) and names in one error box the
// files that stayed. A file that is, or lies in a folder that is, a symbolic link leading out of
// the drive is not deleted but named among them. Returns whether the user said Yes.
bool DeleteGbpFiles(const DriveMap& drives, Messages& messages, std::string_view folderText,
                    std::span<const std::string> names, const std::function<void()>& reread);

// The error box's text for the files that stayed.
std::string DeleteFailureText(std::span<const DeleteFailure> failures);

}  // namespace corvina
