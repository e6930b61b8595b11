#include "dialogs/dlgGenOptions.h"

#include "ui/Modal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

QCheckBox* addSwitch(QDialog* dialog, QVBoxLayout* layout, const char* name,
                     const QString& caption, const QString& effect)
{
    auto* box = new QCheckBox(caption, dialog);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(effect);
    layout->addWidget(box);
    auto* note = new QLabel(effect, dialog);
    note->setWordWrap(true);
    note->setIndent(22);
    note->setEnabled(false);
    layout->addWidget(note);
    return box;
}

} // namespace

TfrmGenOptions::TfrmGenOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGenOptions"));
    setWindowTitle(tr("Generator options"));
    auto* layout = new QVBoxLayout(this);
    cbNoCount = addSwitch(this, layout, "cbNoCount", tr("Set NOCOUNT ON"),
                          tr("SET NOCOUNT ON; as the first line of the body."));
    cbTryCatch = addSwitch(this, layout, "cbTryCatch", tr("Error handling"),
                           tr("The body inside TRY/CATCH with a transaction that is "
                              "rolled back before the error is raised again."));
    cbCreateOrAlter = addSwitch(this, layout, "cbCreateOrAlter", tr("Create or alter"),
                                tr("CREATE OR ALTER PROCEDURE (SQL Server 2016 SP1 and "
                                   "later)."));
    cbIdentityOutput = addSwitch(this, layout, "cbIdentityOutput",
                                 tr("Return the new key"),
                                 tr("Insert: an OUTPUT parameter for the identity "
                                    "column, set from SCOPE_IDENTITY()."));
    cbKeyConditions = addSwitch(this, layout, "cbKeyConditions", tr("Key conditions"),
                                tr("Update and Delete: the conditions come from the "
                                   "primary key (or the first unique index) when the "
                                   "condition list is empty."));
    cbRowversion = addSwitch(this, layout, "cbRowversion", tr("Concurrency check"),
                             tr("Update and Delete: the row must have the rowversion "
                                "given; an error is raised when no row was changed."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setFixedWidth(420);
}

void TfrmGenOptions::setOptions(const sqltext::GeneratorOptions& options)
{
    cbNoCount->setChecked(options.setNoCount);
    cbTryCatch->setChecked(options.tryCatch);
    cbCreateOrAlter->setChecked(options.createOrAlter);
    cbIdentityOutput->setChecked(options.identityOutput);
    cbKeyConditions->setChecked(options.keyConditions);
    cbRowversion->setChecked(options.rowversionCheck);
}

sqltext::GeneratorOptions TfrmGenOptions::options() const
{
    sqltext::GeneratorOptions options;
    options.setNoCount = cbNoCount->isChecked();
    options.tryCatch = cbTryCatch->isChecked();
    options.createOrAlter = cbCreateOrAlter->isChecked();
    options.identityOutput = cbIdentityOutput->isChecked();
    options.keyConditions = cbKeyConditions->isChecked();
    options.rowversionCheck = cbRowversion->isChecked();
    return options;
}

bool askGeneratorOptions(sqltext::GeneratorOptions& options, QWidget* parent)
{
    TfrmGenOptions dialog(parent);
    dialog.setOptions(options);
    if (ui::exec(dialog) != QDialog::Accepted)
        return false;
    options = dialog.options();
    return true;
}

} // namespace varnett
