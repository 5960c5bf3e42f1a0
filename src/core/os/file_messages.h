#pragma once

// What a failure of the file layer says it could not do, the same on every system; the reason
// that follows it is the system's own.
namespace corvina::file_messages {

inline constexpr const char* kCannotOpen = "ファイルを開けません";
inline constexpr const char* kCannotRead = "ファイルを読み込めません";
inline constexpr const char* kCannotWrite = "ファイルに書き込めません";
inline constexpr const char* kCannotCreate = "ファイルを作成できません";
inline constexpr const char* kCannotDelete = "ファイルを削除できません";
inline constexpr const char* kCannotCreateFolder = "フォルダを作成できません";
inline constexpr const char* kCannotListFolder = "フォルダを読み込めません";
inline constexpr const char* kNotRegular = "通常のファイルではありません";

}  // namespace corvina::file_messages
