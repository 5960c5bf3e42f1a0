#include "core/os/posix/posix_processes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/base/errors.h"
#include "core/os/drives.h"
#include "core/os/files.h"

namespace corvina {
namespace fs = std::filesystem;

namespace {

constexpr const char* kCannotStart = "プログラムを起動できません";
constexpr const char* kNoWine = "Windowsのプログラムを動かすwineがインストールされていません";

// A Windows program file starts with the letters "MZ".
bool IsWindowsProgram(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    char magic[2] = {};
    const bool mz = ::read(fd, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
    ::close(fd);
    return mz;
}

std::vector<std::string> SplitAtBlanks(std::string_view text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// What the processes between fork and exec tell us through the pipe.
struct StartReport {
    enum Kind : int { kStarted, kForkFailed, kExecFailed } kind;
    int value;  // the started process's id, or errno
};

void Report(int fd, StartReport report) {
    // One write of a few bytes to a pipe is atomic, and nothing is to be done when it fails.
    [[maybe_unused]] const ssize_t written = ::write(fd, &report, sizeof report);
}

}  // namespace

PosixProcesses::PosixProcesses(const DriveMap& drives, std::optional<fs::path> wine)
    : drives_(drives), wine_(std::move(wine)) {}

HostCommand PosixProcesses::Resolve(std::string_view commandLine) const {
    for (std::size_t end = 1; end <= commandLine.size(); ++end) {
        if (end < commandLine.size() && commandLine[end] != ' ') continue;
        const std::string_view name = commandLine.substr(0, end);
        std::vector<std::string> candidates{std::string(name)};
        if (ExtensionOf(name).empty()) candidates.push_back(std::string(name) + ".exe");
        for (const std::string& candidate : candidates) {
            const std::optional<fs::path> host = drives_.Resolve(candidate);
            if (!host || !FileExists(*host)) continue;
            HostCommand command{candidate, {}};
            if (IsWindowsProgram(*host)) {
                if (!wine_) throw FileError(kCannotStart, candidate, std::string(kNoWine));
                command.arguments.push_back(wine_->string());
            }
            command.arguments.push_back(host->string());
            for (std::string& word : SplitAtBlanks(commandLine.substr(end)))
                command.arguments.push_back(std::move(word));
            return command;
        }
    }
    throw MakeFileError(kCannotStart, std::string(commandLine), ENOENT);
}

bool PosixProcesses::IsFile(std::string_view windowsPath) {
    const std::optional<fs::path> host = drives_.Resolve(windowsPath);
    return host && FileExists(*host);
}

StartedProcess PosixProcesses::Start(std::string_view commandLine, const StartupRecord&,
                                     std::uint32_t) {
    const HostCommand command = Resolve(commandLine);
    std::vector<char*> argv;
    for (const std::string& argument : command.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw MakeFileError(kCannotStart, command.windowsProgram, errno);
    // Between fork and exec only async-signal-safe calls: our program may run other threads.
    // The program is started by a short-lived child of ours, so that it belongs to no one here
    // once that child has ended and leaves no zombie behind when it ends.
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const pid_t program = ::fork();
        if (program == 0) {
            ::setsid();  // not ended with our terminal's session
            ::execv(argv[0], argv.data());
            Report(pipeFds[1], {StartReport::kExecFailed, errno});
            ::_exit(127);
        }
        Report(pipeFds[1], program < 0 ? StartReport{StartReport::kForkFailed, errno}
                                       : StartReport{StartReport::kStarted, program});
        ::_exit(0);
    }
    const int forkError = errno;
    ::close(pipeFds[1]);
    if (child < 0) {
        ::close(pipeFds[0]);
        throw MakeFileError(kCannotStart, command.windowsProgram, forkError);
    }
    // The pipe reaches its end when the child has ended and the program has been executed
    // (the pipe closes on exec) or has given up.
    StartedProcess started;
    int failure = 0;
    StartReport report{};
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], &report, sizeof report);
        if (got < 0 && errno == EINTR) continue;
        if (got != static_cast<ssize_t>(sizeof report)) break;
        if (report.kind == StartReport::kStarted)
            started.process = static_cast<Handle>(report.value);
        else
            failure = report.value;
    }
    ::close(pipeFds[0]);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (failure != 0 || started.process == 0)
        throw MakeFileError(kCannotStart, command.windowsProgram, failure != 0 ? failure : ECHILD);
    return started;
}

std::optional<fs::path> FindOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return std::nullopt;
    std::string_view folders(path);
    while (true) {
        const std::size_t colon = std::min(folders.find(':'), folders.size());
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty()) {
            const fs::path candidate = fs::path(folder) / name;
            if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (colon == folders.size()) return std::nullopt;
        folders.remove_prefix(colon + 1);
    }
}

std::unique_ptr<Processes> MakeSystemProcesses(const DriveMap& drives) {
    return std::make_unique<PosixProcesses>(drives, FindOnPath("wine"));
}

}  // namespace corvina
