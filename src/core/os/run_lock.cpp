#include "core/os/run_lock.h"

#include <ctime>
#include <string>
#include <string_view>
#include <utility>

#include "core/base/utf8.h"
#include "core/os/run_lock_text.h"

namespace corvina {

namespace {

constexpr const char* kRunning = "別の一括書き換えか取り消しが実行中です";
constexpr const char* kUnknownHolder = "不明";
// The holder's start time, as NowText writes it.
constexpr std::string_view kTimePattern = "dddd/dd/dd dd:dd:dd";

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsProcessId(std::string_view text) noexcept {
    if (text.empty() || text.size() > 10 || text[0] == '0') return false;
    for (const char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

bool IsTimeText(std::string_view text) noexcept {
    if (text.size() != kTimePattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kTimePattern[i] == 'd' ? !IsDigit(text[i]) : text[i] != kTimePattern[i]) return false;
    }
    return true;
}

// The local time now as the holder's text gives it, e.g. "2026/12/09 13:05:10".
std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32];
    // Cannot fail for the present; an empty time would only make the holder "不明".
    if (localtime_r(&now, &local) == nullptr) return {};
    const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return std::string(text, length);
}

}  // namespace

namespace run_lock_text {

bool IsPlainText(std::string_view text) noexcept {
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextCodePoint(text, pos);
        if (c < 0x20 || c == 0x7F || c >= 0x110000) return false;
    }
    return true;
}

std::string HolderText(std::string_view program, unsigned long processId) {
    return std::string(program) + '\n' + std::to_string(processId) + '\n' + NowText() + '\n';
}

std::string DescribeHolder(std::string_view text) {
    std::string_view fields[3];
    for (std::string_view& field : fields) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return kUnknownHolder;
        field = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    const auto [program, processId, started] = fields;
    if (!text.empty() || program.empty() || !IsPlainText(program) || !IsProcessId(processId) ||
        !IsTimeText(started))
        return kUnknownHolder;
    return std::string(program) + " (プロセス " + std::string(processId) + "、" +
           std::string(started) + " から)";
}

}  // namespace run_lock_text

RunLockHeld::RunLockHeld(std::string lockFile, std::string holder)
    : Error(kRunning, std::move(lockFile), std::move(holder)) {}

std::string RunLockHeldMessage(const RunLockHeld& error) {
    return std::string(kRunning) + "。\r実行中: " + error.holder() +
           "\r終わってからもう一度実行してください。";
}

// Moving and ending a lock are the same on every system: only Release differs.
RunLock::RunLock(RunLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RunLock& RunLock::operator=(RunLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

RunLock::~RunLock() { Release(); }

}  // namespace corvina
