#include "lists/dlgOperator.h"

#include <QListWidget>

namespace varnett {

TfrmOperator::TfrmOperator(const InsertionContext& context, QWidget* parent)
    : TfrmCommand(context, parent)
{
    setObjectName(QStringLiteral("frmOperator"));
    setItems({sqltext::kSnippetItems.begin(), sqltext::kSnippetItems.end()});
}

} // namespace varnett
