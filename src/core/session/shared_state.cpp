#include "core/session/shared_state.h"

#include "core/session/settings.h"

namespace corvina {

void SharedState::LoadSettings() {
    Settings settings = corvina::LoadSettings(drives_);
    RoomPath = std::move(settings.roomPath);
    DeviceDrive = std::move(settings.deviceDrive);
}

}  // namespace corvina
