#include "core/os/files.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/base/case_fold.h"
#include "core/base/errors.h"
#include "core/os/clock.h"
#include "core/os/file_messages.h"
#include "core/os/win32/win32_text.h"

namespace fs = std::filesystem;

namespace corvina {

using win32::DescriptorToHandle;
using win32::HandleGuard;
using win32::HandleToDescriptor;
using win32::MakeWin32FileError;
using win32::PathText;
using win32::WidePath;

namespace {

using namespace file_messages;
constexpr const char* kInUse = "ほかのプログラムが使用中です";

// Every open shares everything: other programs may read, write, rename and delete the file while
// we hold it, as on Linux.
constexpr DWORD kFullSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochIntervals = 116444736000000000LL;

std::int64_t IntervalsOf(const FILETIME& time) noexcept {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

std::int64_t UnixNanoseconds(const FILETIME& time) noexcept {
    return (IntervalsOf(time) - kUnixEpochIntervals) * 100;
}

std::int64_t UnixSeconds(const FILETIME& time) noexcept {
    const std::int64_t intervals = IntervalsOf(time) - kUnixEpochIntervals;
    return intervals >= 0 ? intervals / 10'000'000 : (intervals - 9'999'999) / 10'000'000;
}

// The box names a file another program holds without sharing as in use; the system's own text
// for other failures.
FileError OpenError(const char* what, const std::string& path, DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return FileError(what, path, kInUse);
    return MakeWin32FileError(what, path, error);
}

File::Stamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) noexcept {
    return {(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
            UnixNanoseconds(info.ftLastWriteTime),
            {info.dwVolumeSerialNumber,
             (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow}};
}

// Opens an existing regular file (never creating or truncating it) and tells its stamp. A
// folder or a device is refused.
int OpenRegular(const fs::path& path, DWORD access, File::Stamp& stamp) {
    HandleGuard guard(::CreateFileW(WidePath(path).c_str(), access, kFullSharing, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (guard.get() == INVALID_HANDLE_VALUE)
        throw OpenError(kCannotOpen, PathText(path), ::GetLastError());
    if (::GetFileType(guard.get()) != FILE_TYPE_DISK)
        throw FileError(kCannotOpen, PathText(path), kNotRegular);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(guard.get(), &info))
        throw MakeWin32FileError(kCannotOpen, PathText(path), ::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        throw FileError(kCannotOpen, PathText(path), kNotRegular);
    stamp = StampOf(info);
    return HandleToDescriptor(guard.Release());
}

// An OVERLAPPED that places a synchronous read or write at `offset`.
OVERLAPPED At(std::uint64_t offset) noexcept {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

// Reads until `buffer` is full or the file ends; the bytes read, or the error in `error`.
std::size_t ReadFullyAt(HANDLE handle, std::uint64_t offset, std::span<std::uint8_t> buffer,
                        DWORD& error) noexcept {
    std::size_t done = 0;
    error = 0;
    while (done < buffer.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 30));
        OVERLAPPED place = At(offset + done);
        DWORD read = 0;
        if (!::ReadFile(handle, buffer.data() + done, chunk, &read, &place)) {
            error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) error = 0;
            break;
        }
        if (read == 0) break;
        done += read;
    }
    return done;
}

DWORD WriteFullyAt(HANDLE handle, std::uint64_t offset,
                   std::span<const std::uint8_t> bytes) noexcept {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        OVERLAPPED place = At(offset + done);
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + done, chunk, &written, &place))
            return ::GetLastError();
        if (written == 0) return ERROR_DISK_FULL;
        done += written;
    }
    return 0;
}

DirEntry EntryFromFindData(const WIN32_FIND_DATAW& data) {
    DirEntry entry;
    entry.name = win32::Narrow(data.cFileName);
    const DWORD attributes = data.dwFileAttributes;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size =
        folder ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.lastWrite = FileTimeFromUnix(UnixSeconds(data.ftLastWriteTime));
    if (folder) entry.attributes |= kAttrFolder;
    if (attributes & FILE_ATTRIBUTE_READONLY) entry.attributes |= kAttrReadOnly;
    // The file system's attribute decides; a leading dot hides nothing on Windows.
    if (attributes & FILE_ATTRIBUTE_HIDDEN) entry.attributes |= kAttrHidden;
    if (attributes & FILE_ATTRIBUTE_SYSTEM) entry.attributes |= kAttrSystem;
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) entry.attributes |= kAttrArchive;
    return entry;
}

std::optional<DWORD> AttributesOf(const fs::path& path) noexcept {
    const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

// Creates a new hidden file with a random name in `folder`; its handle, and its path in
// `temporary`. Failures name `requested`.
HANDLE CreateTemporaryIn(const fs::path& folder, const fs::path& requested, fs::path& temporary) {
    Random random = Random::SeededFromClock();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = L"corvina-";
        for (int i = 0; i < 12; ++i)
            name += L"0123456789abcdefghijklmnopqrstuvwxyz"[random.Below(36)];
        name += L".tmp";
        temporary = folder / name;
        const HANDLE handle =
            ::CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, kFullSharing, nullptr,
                          CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return handle;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            throw MakeWin32FileError(kCannotCreate, PathText(requested), error);
    }
    throw MakeWin32FileError(kCannotCreate, PathText(requested), ERROR_FILE_EXISTS);
}

// Writes all of `bytes` into a hidden temporary file, shows it (it is about to become the real
// file, which must not stay hidden), flushes it to the disk and closes; 0 or the error.
DWORD WriteFlushAndClose(HandleGuard& guard, std::span<const std::uint8_t> bytes) noexcept {
    DWORD error = WriteFullyAt(guard.get(), 0, bytes);
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (error == 0 &&
        !::SetFileInformationByHandle(guard.get(), FileBasicInfo, &basic, sizeof basic))
        error = ::GetLastError();
    if (error == 0 && !::FlushFileBuffers(guard.get())) error = ::GetLastError();
    if (error == 0 && !::CloseHandle(guard.Release())) error = ::GetLastError();
    return error;
}

}  // namespace

File File::OpenRead(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, GENERIC_READ, stamp);
    return File(fd, PathText(path), stamp);
}

File File::OpenWrite(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, GENERIC_WRITE, stamp);
    return File(fd, PathText(path), stamp);
}

File File::OpenReadWrite(const fs::path& path) {
    Stamp stamp;
    const int fd = OpenRegular(path, GENERIC_READ | GENERIC_WRITE, stamp);
    return File(fd, PathText(path), stamp);
}

File File::CreateNew(const fs::path& path) {
    HandleGuard guard(::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, kFullSharing, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (guard.get() == INVALID_HANDLE_VALUE)
        throw MakeWin32FileError(kCannotCreate, PathText(path), ::GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(guard.get(), &info)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(guard.Release());
        ::DeleteFileW(WidePath(path).c_str());
        throw MakeWin32FileError(kCannotCreate, PathText(path), error);
    }
    return File(HandleToDescriptor(guard.Release()), PathText(path), StampOf(info));
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), stamp_(other.stamp_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ != -1) ::CloseHandle(DescriptorToHandle(fd_));
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        stamp_ = other.stamp_;
    }
    return *this;
}

File::~File() {
    if (fd_ != -1) ::CloseHandle(DescriptorToHandle(fd_));
}

std::size_t File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) const {
    if (fd_ == -1) throw MakeWin32FileError(kCannotRead, path_, ERROR_INVALID_HANDLE);
    DWORD error = 0;
    const std::size_t done = ReadFullyAt(DescriptorToHandle(fd_), offset, buffer, error);
    if (error != 0) throw OpenError(kCannotRead, path_, error);
    return done;
}

void File::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) const {
    if (fd_ == -1) throw MakeWin32FileError(kCannotWrite, path_, ERROR_INVALID_HANDLE);
    if (const DWORD error = WriteFullyAt(DescriptorToHandle(fd_), offset, bytes); error != 0)
        throw OpenError(kCannotWrite, path_, error);
}

std::uint64_t File::Size() const {
    LARGE_INTEGER size{};
    if (fd_ == -1 || !::GetFileSizeEx(DescriptorToHandle(fd_), &size))
        throw MakeWin32FileError(kCannotRead, path_,
                                 fd_ == -1 ? ERROR_INVALID_HANDLE : ::GetLastError());
    return static_cast<std::uint64_t>(size.QuadPart);
}

void File::Sync() const {
    if (fd_ == -1) throw MakeWin32FileError(kCannotWrite, path_, ERROR_INVALID_HANDLE);
    if (!::FlushFileBuffers(DescriptorToHandle(fd_)))
        throw MakeWin32FileError(kCannotWrite, path_, ::GetLastError());
}

void File::Close() {
    if (fd_ == -1) return;
    if (!::CloseHandle(DescriptorToHandle(std::exchange(fd_, -1))))
        throw MakeWin32FileError(kCannotWrite, path_, ::GetLastError());
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path, std::uint64_t maxBytes) {
    File file = File::OpenRead(path);
    const std::uint64_t size = file.Size();
    if (size > maxBytes)
        throw FileError(kCannotRead, PathText(path),
                        "ファイルが大きすぎます (" + std::to_string(size) + " バイト)");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    bytes.resize(file.ReadAt(0, bytes));  // the file may have shrunk meanwhile
    return bytes;
}

void WriteWholeFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    if (const auto attributes = AttributesOf(path)) {
        if (*attributes & FILE_ATTRIBUTE_DIRECTORY)
            throw MakeWin32FileError(kCannotCreate, PathText(path), ERROR_DIRECTORY);
        if (*attributes & FILE_ATTRIBUTE_READONLY)
            throw MakeWin32FileError(kCannotWrite, PathText(path), ERROR_ACCESS_DENIED);
    }
    // The new content is written to a hidden file beside it, flushed, and moved over the old one
    // in one step.
    fs::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    fs::path temporary;
    HandleGuard guard(CreateTemporaryIn(folder, path, temporary));
    const char* what = kCannotWrite;
    DWORD error = WriteFlushAndClose(guard, bytes);
    if (error == 0 && !::MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        what = kCannotCreate;
    }
    if (error != 0) {
        ::DeleteFileW(WidePath(temporary).c_str());
        throw OpenError(what, PathText(path), error);
    }
}

void WriteNewFile(const fs::path& path, const fs::path& temporary,
                  std::span<const std::uint8_t> bytes) {
    HandleGuard guard(::CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, kFullSharing,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (guard.get() == INVALID_HANDLE_VALUE)
        throw MakeWin32FileError(kCannotCreate, PathText(path), ::GetLastError());
    DWORD error = WriteFlushAndClose(guard, bytes);
    // Without MOVEFILE_REPLACE_EXISTING the move never goes over a file that is there.
    if (error == 0 &&
        !::MoveFileExW(WidePath(temporary).c_str(), WidePath(path).c_str(), MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != 0) {
        ::DeleteFileW(WidePath(temporary).c_str());
        throw OpenError(kCannotCreate, PathText(path), error);
    }
}

void MoveFile(const fs::path& from, const fs::path& to) {
    // Write-through: the rename has reached the disk when the call returns, in place of the
    // folder sync of other systems.
    if (!::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw OpenError("ファイルの名前を変更できません", PathText(from), ::GetLastError());
}

void DeleteFile(const fs::path& path) {
    const auto attributes = AttributesOf(path);
    if (attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw MakeWin32FileError(kCannotDelete, PathText(path), ERROR_DIRECTORY);
    if (!::DeleteFileW(WidePath(path).c_str()))
        throw OpenError(kCannotDelete, PathText(path), ::GetLastError());
}

bool FileExists(const fs::path& path) noexcept {
    const auto attributes = AttributesOf(path);
    return attributes && !(*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const fs::path& path) noexcept {
    const auto attributes = AttributesOf(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolder(const fs::path& path) {
    if (!::CreateDirectoryW(WidePath(path).c_str(), nullptr))
        throw MakeWin32FileError(kCannotCreateFolder, PathText(path), ::GetLastError());
}

void SyncFolder(const fs::path& path) {
    // Renames and creations here go through MoveFileExW with MOVEFILE_WRITE_THROUGH, which
    // returns once the folder's entries are on the disk; there is nothing left to sync. The
    // folder must still be there.
    if (!FolderExists(path.empty() ? fs::path(".") : path))
        throw MakeWin32FileError(kCannotWrite, PathText(path), ERROR_PATH_NOT_FOUND);
}

DirEntry LookUpEntry(const fs::path& requested) {
    fs::path path = requested;
    // "folder\" names the folder itself.
    while (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
    const std::wstring wide = WidePath(path);
    if (!path.has_relative_path()) {
        // A drive root has no entry of its own in a folder.
        const auto attributes = AttributesOf(path);
        if (!attributes) throw MakeWin32FileError(kCannotOpen, PathText(path), ::GetLastError());
        DirEntry entry;
        entry.name = PathText(path);
        entry.attributes = kAttrFolder;
        return entry;
    }
    WIN32_FIND_DATAW data{};
    const HANDLE find =
        ::FindFirstFileExW(wide.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        throw MakeWin32FileError(kCannotOpen, PathText(path), ::GetLastError());
    ::FindClose(find);
    return EntryFromFindData(data);  // the name as the folder stores it
}

std::vector<DirEntry> ListFolder(const fs::path& folder, std::string_view mask) {
    const std::wstring pattern = WidePath(folder / L"*");
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return {};  // an empty drive root
        throw MakeWin32FileError(kCannotListFolder, PathText(folder), error);
    }
    std::vector<DirEntry> entries;
    DWORD error = 0;
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        DirEntry entry = EntryFromFindData(data);
        if (MatchesMask(entry.name, mask)) entries.push_back(std::move(entry));
    } while (::FindNextFileW(find, &data));
    error = ::GetLastError();
    ::FindClose(find);
    if (error != ERROR_NO_MORE_FILES)
        throw MakeWin32FileError(kCannotListFolder, PathText(folder), error);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return NameOrder(a.name, b.name); });
    return entries;
}

}  // namespace corvina
