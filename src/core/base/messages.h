#pragma once

#include <string>
#include <string_view>

// The program's four kinds of message box, as the logic of a run sees them: it says which kind
// and the text (UTF-8, '\r' a line break) and waits for the answer. The windows show real boxes;
// the command-line tool prints; tests record.
namespace corvina {

enum class MessageKind {
    Error,         // title "エラー", error icon, "OK"
    Confirmation,  // title "確認", question icon, "はい(&Y)" and "いいえ(&N)"
    Plain,         // the application title, no icon, "OK"
    DefaultError,  // the application title, error icon, "OK": failures no handler foresees
};

class Messages {
public:
    virtual ~Messages() = default;
    // Shows a box and returns when it is closed. True only when a confirmation box was answered
    // with "はい(&Y)"; boxes with one button give false.
    virtual bool Show(MessageKind kind, std::string_view text) = 0;

    void Error(std::string_view text) { Show(MessageKind::Error, text); }
    bool Confirm(std::string_view text) { return Show(MessageKind::Confirmation, text); }
    void Plain(std::string_view text) { Show(MessageKind::Plain, text); }
    // Adds the full stop of the default error box itself (DefaultErrorText).
    void DefaultError(std::string_view message);
};

// The text of the default error box: the message with a "." added when its last character comes
// after "." in character order (so "...ません" gets one, "(No such file)" and "done." do not).
std::string DefaultErrorText(std::string_view message);

}  // namespace corvina
