#include "support/TempDir.h"
#include "ui/Application.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Keep every test away from the user's own settings and data folders.
    static varnett::testing::TempDir home;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    varnett::ui::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
