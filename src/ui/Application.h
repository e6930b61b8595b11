#pragma once

#include <QApplication>

namespace varnett::ui {

// The application object. An exception that no command caught reaches
// notify() and is shown by the general error display; the program goes on.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace varnett::ui
