#include "app/dlgMain.h"
#include "data/SettingsStore.h"
#include "ui/Application.h"

int main(int argc, char** argv)
{
    varnett::ui::Application app(argc, argv);
    varnett::data::SettingsStore settings;
    varnett::TfrmMain frmMain(settings);
    frmMain.showMaximized();
    return app.exec();
}
