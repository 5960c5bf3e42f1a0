#include "core/os/mounts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/os/mount_paths.h"

namespace fs = std::filesystem;

namespace corvina {

namespace {

// A mount table longer than this is cut there; the kernel's own tables stay far below it.
constexpr std::size_t kMaxMountTableBytes = std::size_t{16} << 20;

}  // namespace

namespace mount_paths {

bool HoldsDeviceFolder(const fs::path& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* item = ::readdir(dir)) {
        if (!IsPlayerFolderName(item->d_name)) continue;
        if (item->d_type == DT_DIR) {
            found = true;
        } else if (item->d_type == DT_LNK || item->d_type == DT_UNKNOWN) {
            struct stat st {};
            found = ::fstatat(::dirfd(dir), item->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (found) break;
    }
    ::closedir(dir);
    return found;
}

}  // namespace mount_paths

std::optional<std::string> ReadMountTable(const fs::path& file) {
    // The kernel makes the text of its tables while they are read, so their size says nothing.
    const int fd =
        ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[16384];
    while (text.size() < kMaxMountTableBytes) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::string SystemMountTable() { return ReadMountTable().value_or(""); }

}  // namespace corvina
