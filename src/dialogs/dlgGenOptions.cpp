#include "dialogs/dlgGenOptions.h"

#include "ui/Modal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

QCheckBox* addSwitch(QWidget* dialog, QVBoxLayout* layout, const char* name,
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

// The texts keep the translation context of the Generator options dialog.
GeneratorSwitches addGeneratorSwitches(QWidget* owner, QVBoxLayout* layout)
{
    auto tr = [](const char* text) { return TfrmGenOptions::tr(text); };
    GeneratorSwitches s;
    s.cbNoCount = addSwitch(owner, layout, "cbNoCount", tr("Set NOCOUNT ON"),
                            tr("SET NOCOUNT ON; as the first line of the body."));
    s.cbTryCatch = addSwitch(owner, layout, "cbTryCatch", tr("Error handling"),
                             tr("The body inside TRY/CATCH with a transaction that is "
                                "rolled back before the error is raised again."));
    s.cbCreateOrAlter = addSwitch(owner, layout, "cbCreateOrAlter", tr("Create or alter"),
                                  tr("CREATE OR ALTER PROCEDURE (SQL Server 2016 SP1 and "
                                     "later)."));
    s.cbIdentityOutput = addSwitch(owner, layout, "cbIdentityOutput", tr("Return the new key"),
                                   tr("Insert: an OUTPUT parameter for the identity "
                                      "column, set from SCOPE_IDENTITY()."));
    s.cbKeyConditions = addSwitch(owner, layout, "cbKeyConditions", tr("Key conditions"),
                                  tr("Update and Delete: the conditions come from the "
                                     "primary key (or the first unique index) when the "
                                     "condition list is empty."));
    s.cbRowversion = addSwitch(owner, layout, "cbRowversion", tr("Concurrency check"),
                               tr("Update and Delete: the row must have the rowversion "
                                  "given; an error is raised when no row was changed."));
    return s;
}

void GeneratorSwitches::setOptions(const sqltext::GeneratorOptions& options)
{
    cbNoCount->setChecked(options.setNoCount);
    cbTryCatch->setChecked(options.tryCatch);
    cbCreateOrAlter->setChecked(options.createOrAlter);
    cbIdentityOutput->setChecked(options.identityOutput);
    cbKeyConditions->setChecked(options.keyConditions);
    cbRowversion->setChecked(options.rowversionCheck);
}

sqltext::GeneratorOptions GeneratorSwitches::options() const
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

TfrmGenOptions::TfrmGenOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGenOptions"));
    setWindowTitle(tr("Generator options"));
    auto* layout = new QVBoxLayout(this);
    m_switches = addGeneratorSwitches(this, layout);
    cbNoCount = m_switches.cbNoCount;
    cbTryCatch = m_switches.cbTryCatch;
    cbCreateOrAlter = m_switches.cbCreateOrAlter;
    cbIdentityOutput = m_switches.cbIdentityOutput;
    cbKeyConditions = m_switches.cbKeyConditions;
    cbRowversion = m_switches.cbRowversion;
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
    m_switches.setOptions(options);
}

sqltext::GeneratorOptions TfrmGenOptions::options() const
{
    return m_switches.options();
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
