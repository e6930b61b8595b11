#include "dialogs/dlgExecProc.h"

#include "sqltext/AsciiText.h"
#include "sqltext/CallScript.h"
#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace varnett {

namespace {

// The value a script writes for what was typed: bit as 1 or 0, binary as its
// bytes, anything else as the text, which the literal writer reads.
sqltext::Value scriptValue(const data::ProcedureParameter& parameter, const std::string& text)
{
    sqltext::Value value;
    value.kind = sqltext::Value::Kind::Text;
    if (data::isBinaryParameterType(parameter.type)) {
        value.kind = sqltext::Value::Kind::Blob;
        value.bytes = data::hexBytes(text);
    } else if (sqltext::equalsNoCase(parameter.type, "bit")) {
        const bool on = sqltext::equalsNoCase(text, "true") || text == "1";
        value.bytes.assign(1, on ? '1' : '0');
    } else {
        value.bytes = text;
    }
    return value;
}

} // namespace

TdlgExecProc::TdlgExecProc(const QString& procedure,
                           std::vector<data::ProcedureParameter> parameters, QWidget* parent)
    : QDialog(parent)
    , m_procedure(procedure)
    , m_parameters(std::move(parameters))
{
    setObjectName(QStringLiteral("dlgExecProc"));
    setWindowTitle(tr("Execute %1").arg(procedure));
    resize(640, 420);

    auto* table = new QWidget;
    table->setObjectName(QStringLiteral("pnlParameters"));
    auto* grid = new QGridLayout(table);
    const QStringList headings = {tr("Parameter"), tr("Type"), tr("Direction"), tr("Default"),
                                  tr("Value"), QString()};
    for (int c = 0; c < headings.size(); ++c) {
        auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(headings[c].toHtmlEscaped()), table);
        grid->addWidget(heading, 0, c);
    }
    int row = 1;
    for (std::size_t i = 0; i < m_parameters.size(); ++i, row += 2) {
        const data::ProcedureParameter& p = m_parameters[i];
        const QString number = QString::number(i + 1);
        auto label = [&](const QString& text, const char* name, int column) {
            auto* l = new QLabel(text, table);
            l->setObjectName(QLatin1String(name) + number);
            l->setTextFormat(Qt::PlainText);
            grid->addWidget(l, row, column);
            return l;
        };
        label(QString::fromStdString(p.name), "lblName", 0);
        label(QString::fromStdString(p.typeText()), "lblType", 1);
        label(p.output ? tr("output") : tr("input"), "lblDirection", 2);
        label(p.defaultValue ? QString::fromStdString(*p.defaultValue) : QString(), "lblDefault", 3);

        auto* value = new QLineEdit(table);
        value->setObjectName(QStringLiteral("edtValue") + number);
        value->setPlaceholderText(p.output ? tr("NULL going in") : tr("(default)"));
        value->setMinimumWidth(180);
        grid->addWidget(value, row, 4);
        auto* null = new QCheckBox(tr("NULL"), table);
        null->setObjectName(QStringLiteral("chkNull") + number);
        grid->addWidget(null, row, 5);
        connect(null, &QCheckBox::toggled, value, [value](bool on) { value->setEnabled(!on); });

        auto* error = new QLabel(table);
        error->setObjectName(QStringLiteral("lblError") + number);
        error->setTextFormat(Qt::PlainText);
        error->setWordWrap(true);
        error->setStyleSheet(QStringLiteral("color: #c00000"));
        error->setVisible(false);
        grid->addWidget(error, row + 1, 4, 1, 2);
        connect(value, &QLineEdit::textEdited, error, [error] { error->setVisible(false); });

        edtValues.push_back(value);
        chkNulls.push_back(null);
        lblErrors.push_back(error);
    }
    if (m_parameters.empty())
        grid->addWidget(new QLabel(tr("The procedure has no parameters."), table), row, 0, 1, 6);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(4, 1);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sbParameters"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(table);

    chkRollback = new QCheckBox(tr("Run in a transaction and &roll back"), this);
    chkRollback->setObjectName(QStringLiteral("chkRollback"));
    chkRollback->setChecked(true);

    auto* rowsLabel = new QLabel(tr("&Keep at most"), this);
    edtMaxRows = new QSpinBox(this);
    edtMaxRows->setObjectName(QStringLiteral("edtMaxRows"));
    edtMaxRows->setRange(1, 100000000);
    edtMaxRows->setGroupSeparatorShown(true);
    edtMaxRows->setValue(static_cast<int>(data::RunRequest{}.maxRows));
    rowsLabel->setBuddy(edtMaxRows);
    auto* rowsAfter = new QLabel(tr("rows of each result set"), this);

    btnCopyScript = new QPushButton(tr("Copy as &script"), this);
    btnCopyScript->setObjectName(QStringLiteral("btnCopyScript"));
    btnCopyScript->setAutoDefault(false);
    connect(btnCopyScript, &QPushButton::clicked, this, [this] { ui::guarded([this] { btnCopyScriptClick(); }); });
    OKBtn = new QPushButton(tr("&Execute"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* rows = new QHBoxLayout;
    rows->addWidget(rowsLabel);
    rows->addWidget(edtMaxRows);
    rows->addWidget(rowsAfter);
    rows->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopyScript);
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(chkRollback);
    layout->addLayout(rows);
    layout->addLayout(buttons);
    if (!edtValues.empty())
        edtValues.front()->setFocus();
}

bool TdlgExecProc::checkValues()
{
    bool fits = true;
    QLineEdit* firstWrong = nullptr;
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        QString problem;
        const QString text = edtValues[i]->text();
        if (!chkNulls[i]->isChecked() && !text.isEmpty()) {
            try {
                data::checkParameterValue(m_parameters[i], text.toStdString());
            } catch (const std::exception& error) {
                problem = ui::messageOf(error);
            }
        }
        lblErrors[i]->setText(problem);
        lblErrors[i]->setVisible(!problem.isEmpty());
        if (!problem.isEmpty() && !firstWrong)
            firstWrong = edtValues[i];
        fits = fits && problem.isEmpty();
    }
    if (firstWrong)
        firstWrong->setFocus();
    return fits;
}

data::RunRequest TdlgExecProc::request() const
{
    data::RunRequest request;
    request.procedure = {sqltext::objectNameOrWhole(m_procedure.toStdString()), 1};
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        const data::ProcedureParameter& p = m_parameters[i];
        const QString text = edtValues[i]->text();
        if (chkNulls[i]->isChecked() || (p.output && text.isEmpty()))
            request.arguments.push_back({p.name, std::nullopt});
        else if (!text.isEmpty())
            request.arguments.push_back({p.name, text.toStdString()});
    }
    request.rollback = chkRollback->isChecked();
    request.maxRows = static_cast<std::size_t>(edtMaxRows->value());
    return request;
}

QString TdlgExecProc::callScript()
{
    if (!checkValues())
        throw Error(tr("A value does not fit its parameter: see beside its box.").toStdString());
    std::vector<sqltext::CallParameter> parameters;
    for (std::size_t i = 0; i < m_parameters.size(); ++i) {
        const data::ProcedureParameter& p = m_parameters[i];
        sqltext::CallParameter parameter{p.name, p.typeText(), p.output, std::nullopt};
        const QString text = edtValues[i]->text();
        if (chkNulls[i]->isChecked())
            parameter.value = sqltext::Value{};
        else if (!text.isEmpty())
            parameter.value = scriptValue(p, text.toStdString());
        parameters.push_back(std::move(parameter));
    }
    return QString::fromStdString(sqltext::procedureCallScript(
        sqltext::objectNameOrWhole(m_procedure.toStdString()), parameters));
}

void TdlgExecProc::btnCopyScriptClick()
{
    QApplication::clipboard()->setText(callScript());
}

void TdlgExecProc::accept()
{
    if (checkValues())
        QDialog::accept();
}

} // namespace varnett
