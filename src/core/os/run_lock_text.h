#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/os/file_messages.h"

// The lock file's text, the same on every system: the holder's program, process id and start
// time, one a line ("corvina-cli\n1234\n2026/12/09 13:05:10\n"). The backends take the lock.
namespace corvina::run_lock_text {

using file_messages::kCannotOpen;
using file_messages::kCannotWrite;
using file_messages::kNotRegular;
inline constexpr const char* kCannotLock = "ファイルをロックできません";
inline constexpr const char* kBadProgram = "実行中のプログラムの名前が正しくありません";

// The most of the file read for the holder's text; a real text is well under it.
inline constexpr std::size_t kMaxHolderText = 1024;

// Well-formed UTF-8 without control characters (so without line breaks).
bool IsPlainText(std::string_view text) noexcept;

// The holder's text for `program` in the process `processId`, started now (local time).
std::string HolderText(std::string_view program, unsigned long processId);

// The holder as those refused read it: "corvina-cli (プロセス 1234、2026/12/09 13:05:10 から)",
// or "不明" for anything but a whole, well-formed text.
std::string DescribeHolder(std::string_view text);

}  // namespace corvina::run_lock_text
