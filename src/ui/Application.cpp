#include "ui/Application.h"

#include "ui/Modal.h"

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

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        generalError(messageOf(failure));
    } catch (...) {
        generalError(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace varnett::ui
