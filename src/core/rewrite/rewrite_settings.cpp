#include "core/rewrite/rewrite_settings.h"

namespace corvina {

std::optional<std::string_view> CheckRewriteSettings(const RewriteSettings& settings) {
    if (!settings.rewriteTags && !settings.rewriteJacket) return kNothingToRewriteMessage;
    if (settings.rewriteJacket && !settings.pictureLoaded) return kNoJacketLoadedMessage;
    return std::nullopt;
}

}  // namespace corvina
