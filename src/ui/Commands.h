#pragma once

#include "ui/Modal.h"

#include <QAction>
#include <QObject>

namespace varnett::ui {

// Connects an action to a command; an exception from the command goes to the
// general error display.
template <typename Context, typename Command>
void onTriggered(QAction* action, Context* context, Command command)
{
    QObject::connect(action, &QAction::triggered, context, [command] { guarded(command); });
}

} // namespace varnett::ui
