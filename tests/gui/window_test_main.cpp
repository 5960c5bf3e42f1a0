// Entry of the window tests: a real QApplication on the offscreen platform (unless the caller
// chose another), with the program's resources, font and translations.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/controls/application_setup.h"

static void InitResources() { Q_INIT_RESOURCE(resources); }

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    InitResources();
    corvina::SetUpApplication(app);
    return RUN_ALL_TESTS();
}
