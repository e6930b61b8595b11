#include "dialogs/dlgProcName.h"

#include "ui/Modal.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace varnett {

TfrmProcName::TfrmProcName(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProcName"));
    setWindowTitle(tr("Procedure name"));
    setFixedSize(394, 90);

    auto* label = new QLabel(tr("Name:"), this);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setFixedWidth(233);
    label->setBuddy(edtName);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(edtName, 0, 1);
    layout->addWidget(ok, 0, 2);
    layout->addWidget(cancel, 1, 2);
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    layout->addWidget(lblNote, 1, 0, 1, 2);
    connect(edtName, &QLineEdit::textEdited, lblNote, &QLabel::clear);
    edtName->setFocus();
}

void TfrmProcName::accept()
{
    if (edtName->text().trimmed().isEmpty()) {
        lblNote->setText(tr("Type a name for the procedure."));
        edtName->setFocus();
        return;
    }
    QDialog::accept();
}

QString askProcedureName(const QString& proposed, QWidget* parent)
{
    TfrmProcName dialog(parent);
    dialog.edtName->setText(proposed);
    dialog.edtName->selectAll();
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.edtName->text();
}

} // namespace varnett
