#include "lists/dlgField.h"

#include <QListWidget>

namespace varnett {

TfrmField::TfrmField(const InsertionContext& context, QWidget* parent)
    : TfrmCommand(context, parent)
{
    setObjectName(QStringLiteral("frmField"));
    setMultipleSelection(true);
}

void TfrmField::Init()
{
    TfrmCommand::Init();
    lboxCommand->clear();
    setItems(sqltext::fieldItems(context().fields, listMode()));
}

} // namespace varnett
