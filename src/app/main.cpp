#include "app/ProgramOptions.h"
#include "app/dlgMain.h"
#include "data/DemoDatabase.h"
#include "data/SettingsStore.h"
#include "ui/Application.h"
#include "ui/Modal.h"

#include <QTimer>

#include <iostream>

namespace {

// First start: with no connection stored, the demo database is created and
// its connection stored, so the program opens on it. A failure is shown and
// start-up goes on to the connection dialog.
void prepareFirstStart(varnett::data::SettingsStore& settings)
{
    using namespace varnett;
    try {
        const QString script = data::findDemoScript(QCoreApplication::applicationDirPath());
        if (!script.isEmpty())
            data::prepareDemoConnection(settings, script, data::userDataFolder());
    } catch (const std::exception& failure) {
        ui::generalError(ui::messageOf(failure));
    }
}

} // namespace

int main(int argc, char** argv)
{
    const varnett::ProgramOptions options =
        varnett::readProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::cerr << "varnett: " << options.error << "\n\n" << varnett::programUsageText();
        return 2;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? varnett::programUsageText() : varnett::programVersionText());
        return 0;
    }

    varnett::ui::Application app(argc, argv);
    varnett::data::SettingsStore settings;
    prepareFirstStart(settings);
    varnett::TfrmMain frmMain(settings);
    frmMain.showMaximized();
    if (options.quitAfterMs)
        QTimer::singleShot(*options.quitAfterMs, &app, &QCoreApplication::quit);
    return app.exec();
}
