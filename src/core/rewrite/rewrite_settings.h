#pragma once

#include <optional>
#include <string_view>

// The checks of the rewrite settings dialog's OK.
namespace corvina {

// Typing in the three text boxes stops at this many characters; a longer text put there from
// the filer page stays whole.
inline constexpr int kTagEditMaxLength = 42;

inline constexpr std::string_view kNothingToRewriteMessage =
    "書き換え設定がおかしいです。\rチェックボックスを見直してください。";
inline constexpr std::string_view kNoJacketLoadedMessage =
    "ジャケット画像がインポートされていません。\r設定してください。";

struct RewriteSettings {
    bool rewriteTags;    // "タグ情報を書き換える"
    bool rewriteJacket;  // "ジャケット画像を書き換える"
    bool pictureLoaded;  // a "Load Picture" has succeeded since the program started
};

// The error message OK shows instead of closing, or nothing when the settings may be handed
// over. A jacket is only handed over once a picture has really been loaded, so a failed first
// load can never hand over an empty picture.
std::optional<std::string_view> CheckRewriteSettings(const RewriteSettings& settings);

}  // namespace corvina
