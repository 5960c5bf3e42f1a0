#include "core/base/messages.h"

#include "core/base/utf8.h"

namespace corvina {

std::string DefaultErrorText(std::string_view message) {
    std::string text(message);
    char32_t last = 0;
    for (std::size_t pos = 0; pos < message.size();) last = NextCodePoint(message, pos);
    if (!message.empty() && last > U'.') text += '.';
    return text;
}

void Messages::DefaultError(std::string_view message) {
    Show(MessageKind::DefaultError, DefaultErrorText(message));
}

}  // namespace corvina
