#include "lists/dlgVariable.h"

#include <QListWidget>

namespace varnett {

TfrmVariable::TfrmVariable(const InsertionContext& context, QWidget* parent)
    : TfrmCommand(context, parent)
{
    setObjectName(QStringLiteral("frmVariable"));
    setMultipleSelection(true);
}

void TfrmVariable::Init()
{
    TfrmCommand::Init();
    lboxCommand->clear();
    setItems(sqltext::variableItems(context().fields, listMode()));
}

} // namespace varnett
