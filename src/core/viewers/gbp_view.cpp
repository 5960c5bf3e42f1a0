#include "core/viewers/gbp_view.h"

#include <exception>

#include "core/base/errors.h"
#include "core/base/messages.h"
#include "core/os/drives.h"
#include "core/os/files.h"

namespace corvina {

std::string_view GbpKindText(GbpKind kind) noexcept {
    return kind == GbpKind::Jacket ? "Jacket GBP File" : "Wallpaper GBP File";
}

GbpFileInfo GbpInfoOfEntry(const DirEntry& entry, const DateTimeFormat& format) {
    const GbpKindSize kind = GbpKindForFileSize(entry.size);
    return {TextsOfEntry(entry, format), kind, std::string(GbpKindText(kind.kind))};
}

GbpShown ShowGbpFile(const std::filesystem::path& path, const DateTimeFormat& format) {
    GbpFileInfo info = GbpInfoOfEntry(LookUpEntry(path), format);
    Picture15 picture = ReadGbpPicture(path, info.kind.width, info.kind.height);
    return {std::move(info), std::move(picture)};
}

GbpShown ShowGbpFile(const DriveMap& drives, std::string_view windowsPath,
                     const DateTimeFormat& format) {
    const std::filesystem::path host = drives.ResolveOrThrow(windowsPath);
    try {
        return ShowGbpFile(host, format);
    } catch (const FileError& e) {
        throw FileError(e.failure(), std::string(windowsPath), e.reason());
    }
}

std::string GbpItemPath(std::string_view folderText, std::string_view name) {
    std::string path(folderText);
    path += '\\';
    path += name;
    return path;
}

std::string DeleteFailureText(std::span<const DeleteFailure> failures) {
    std::string text = "次のファイルを削除できませんでした。";
    for (const DeleteFailure& failure : failures) {
        text += '\r';
        text += failure.name;
        if (!failure.reason.empty()) text += " (" + failure.reason + ")";
    }
    return text;
}

bool DeleteGbpFiles(const DriveMap& drives, Messages& messages, std::string_view folderText,
                    std::span<const std::string> names, const std::function<void()>& reread) {
    if (!messages.Confirm(kDeleteQuestion)) return false;
    std::vector<DeleteFailure> failures;
    const DriveSnapshot snapshot = drives.Snapshot();
    FolderListings listings;  // the folder is read once for all the names
    for (const std::string& name : names) {
        std::filesystem::path host;
        try {
            // A file or folder linked out of the drive is refused, so that nothing outside it
            // is deleted.
            host = snapshot.ResolveInside(GbpItemPath(folderText, name), listings);
        } catch (const FileError& e) {
            failures.push_back(
                {name, e.reason().empty() ? e.failure() : e.failure() + ": " + e.reason()});
            continue;
        }
        try {
            DeleteFile(host);
        } catch (const FileError& e) {
            failures.push_back({name, e.reason().empty() ? e.what() : e.reason()});
        }
    }
    reread();
    if (!failures.empty()) messages.Error(DeleteFailureText(failures));
    return true;
}

}  // namespace corvina
