#include "gui/controls/font_warm_up.h"

#include <system_error>

#ifdef CORVINA_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace corvina {

FontWarmUp::FontWarmUp() {
#ifdef CORVINA_HAVE_FONTCONFIG
    try {
        // The configuration read here becomes the process's current one, which the font system
        // takes over as it is.
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // Without a thread, the font system reads the configuration itself when it needs it.
    }
#endif
}

FontWarmUp::~FontWarmUp() { Wait(); }

void FontWarmUp::Wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace corvina
