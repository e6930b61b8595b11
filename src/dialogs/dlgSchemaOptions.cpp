#include "dialogs/dlgSchemaOptions.h"

#include "ui/Modal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnett {

TfrmSchemaOptions::TfrmSchemaOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSchemaOptions"));
    setWindowTitle(tr("Schema script options"));
    auto* layout = new QVBoxLayout(this);
    auto add = [&](const char* name, const QString& caption, const QString& effect) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(effect);
        layout->addWidget(box);
        return box;
    };
    cbWithData = add("cbWithData", tr("With the rows"),
                     tr("The data script's rows after the tables, before the foreign keys."));
    cbGuarded = add("cbGuarded", tr("Create only what is missing"),
                    tr("Each CREATE runs only when its object does not exist, so the script "
                       "can run twice."));
    cbDropFirst = add("cbDropFirst", tr("Drop before create"),
                      tr("Foreign keys, views and tables are dropped first where they exist."));
    cbLeaveOutForeignKeys = add("cbLeaveOutForeignKeys", tr("Leave out foreign keys"),
                                tr("No ALTER TABLE ... FOREIGN KEY statements."));
    cbLeaveOutIndexes = add("cbLeaveOutIndexes", tr("Leave out indexes"),
                            tr("No CREATE INDEX statements (keys stay with their tables)."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(6);
    layout->addWidget(buttons);
}

sqltext::SchemaScriptOptions TfrmSchemaOptions::options() const
{
    sqltext::SchemaScriptOptions options;
    options.guarded = cbGuarded->isChecked();
    options.dropFirst = cbDropFirst->isChecked();
    options.leaveOutForeignKeys = cbLeaveOutForeignKeys->isChecked();
    options.leaveOutIndexes = cbLeaveOutIndexes->isChecked();
    return options;
}

bool TfrmSchemaOptions::withData() const
{
    return cbWithData->isChecked();
}

SchemaOptionsChoice askSchemaOptions(QWidget* parent)
{
    TfrmSchemaOptions dialog(parent);
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return {true, dialog.options(), dialog.withData()};
}

} // namespace varnett
