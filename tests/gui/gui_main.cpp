#include "support/TempDir.h"
#include "ui/Application.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Keep every test away from the user's own settings and data folders.
    static varnett::testing::TempDir home;
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.file("config")));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home.file("data")));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    varnett::ui::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
