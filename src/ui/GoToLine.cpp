#include "ui/GoToLine.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QSpinBox>

namespace varnett::ui {

TfrmGoToLine::TfrmGoToLine(int current, int last, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmGoToLine"));
    setWindowTitle(tr("Go to Line"));
    edtLine = new QSpinBox(this);
    edtLine->setObjectName(QStringLiteral("edtLine"));
    edtLine->setRange(1, std::max(last, 1));
    edtLine->setValue(std::clamp(current, 1, std::max(last, 1)));
    edtLine->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(tr("&Line number (1 - %1):").arg(std::max(last, 1)), edtLine);
    layout->addRow(buttons);
    // Wide enough for the title bar to show the whole title, which the
    // window manager follows with the program's name, beside its buttons.
    const QString shown = windowTitle() + QStringLiteral(" \u2014 ")
        + QGuiApplication::applicationDisplayName();
    setMinimumWidth(fontMetrics().horizontalAdvance(shown) * 3 / 2 + 120);
}

int TfrmGoToLine::line() const
{
    return edtLine->value();
}

} // namespace varnett::ui
