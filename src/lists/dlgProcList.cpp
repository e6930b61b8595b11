#include "lists/dlgProcList.h"

#include "data/dmMain.h"
#include "sqltext/ProcedureFilter.h"

#include <QListWidget>

namespace varnett {

TfrmProcList::TfrmProcList(const InsertionContext& context, QWidget* parent)
    : TfrmCommand(context, parent)
{
    setObjectName(QStringLiteral("frmProcList"));
}

void TfrmProcList::Init()
{
    TfrmCommand::Init();
    lboxCommand->clear();
    const std::vector<std::string> catalog
        = sqltext::catalogNames(context().dataMain.listProcedures());
    setItems(sqltext::filterProcedureList(catalog, resultText().toStdString()));
}

} // namespace varnett
