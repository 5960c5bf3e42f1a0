// Program entry of the desktop program. It takes no command-line arguments.
#include <QApplication>
#include <memory>

#include "core/os/drives.h"
#include "core/session/startup.h"
#include "gui/app/main_window.h"
#include "gui/controls/application_setup.h"
#include "gui/controls/font_warm_up.h"
#include "gui/controls/handler.h"
#include "gui/controls/message_boxes.h"
#include "gui/controls/open_dialogs.h"

static void InitResources() { Q_INIT_RESOURCE(resources); }

int main(int argc, char* argv[]) {
    corvina::FontWarmUp fonts;
    QApplication app(argc, argv);
    InitResources();
    fonts.Wait();
    corvina::SetUpApplication(app);

    // The drive map is the program's view of the machine; without it nothing can start.
    std::unique_ptr<corvina::DriveMap> drives;
    corvina::RunHandler(nullptr, [&] {
        drives = std::make_unique<corvina::DriveMap>(corvina::DriveMap::PrefixFromEnvironment());
        drives->CreateLayout();
    });
    if (!drives) return 1;

    corvina::QtOpenDialogService openDialogs(drives.get());
    corvina::SetOpenDialogService(&openDialogs);

    corvina::CreateForms(*drives);
    const int status = QApplication::exec();
    corvina::DestroyForms();
    corvina::SetOpenDialogService(nullptr);
    return status;
}
