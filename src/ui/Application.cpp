#include "ui/Application.h"

namespace varnett::ui {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Varnett"));
    setApplicationDisplayName(QStringLiteral("Varnett"));
    setOrganizationName(QStringLiteral("Varnett"));
    setApplicationVersion(QStringLiteral("1.0.0.1"));
}

} // namespace varnett::ui
