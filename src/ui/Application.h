#pragma once

#include <QApplication>

namespace varnett::ui {

// The application object: the program's names. Exceptions never reach the
// event loop: every command and every handler that can fail runs through
// ui::guarded (ui/Modal.h), which shows the failure and lets the program go on.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
};

} // namespace varnett::ui
