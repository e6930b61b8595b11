#include "ui/Application.h"

#include "data/Version.h"

namespace varnett::ui {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Varnett"));
    setApplicationDisplayName(QStringLiteral("Varnett"));
    setOrganizationName(QStringLiteral("Varnett"));
    setApplicationVersion(QString::fromLatin1(data::versionText()));
}

} // namespace varnett::ui
