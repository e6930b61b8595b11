#include "ui/ResultsDock.h"

#include "data/ReplacingFile.h"
#include "sqltext/Error.h"
#include "ui/Modal.h"
#include "ui/ResultsModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace varnett::ui {

namespace {

QString seconds(std::int64_t ms)
{
    return QLocale::c().toString(static_cast<double>(ms) / 1000.0, 'f', 3);
}

} // namespace

ResultsDock::ResultsDock(QWidget* parent)
    : QDockWidget(tr("Results"), parent)
{
    setObjectName(QStringLiteral("dockResults"));
    auto* content = new QWidget(this);
    content->setObjectName(QStringLiteral("pnlResults"));

    lblRunStatus = new QLabel(content);
    lblRunStatus->setObjectName(QStringLiteral("lblRunStatus"));
    btnCancelRun = new QPushButton(tr("Cancel"), content);
    btnCancelRun->setObjectName(QStringLiteral("btnCancelRun"));
    btnCancelRun->setEnabled(false);
    btnShowValue = new QPushButton(tr("Show value"), content);
    btnShowValue->setObjectName(QStringLiteral("btnShowValue"));
    btnSaveCsv = new QPushButton(tr("Save as CSV..."), content);
    btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
    connect(btnShowValue, &QPushButton::clicked, this, [this] { guarded([this] { btnShowValueClick(); }); });
    connect(btnSaveCsv, &QPushButton::clicked, this, [this] { guarded([this] { btnSaveCsvClick(); }); });

    tabResults = new QTabWidget(content);
    tabResults->setObjectName(QStringLiteral("tabResults"));
    edtMessages = new QPlainTextEdit(content);
    edtMessages->setObjectName(QStringLiteral("edtMessages"));
    edtMessages->setReadOnly(true);
    edtMessages->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tabResults->addTab(edtMessages, tr("Messages"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(lblRunStatus, 1);
    bar->addWidget(btnShowValue);
    bar->addWidget(btnSaveCsv);
    bar->addWidget(btnCancelRun);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(tabResults, 1);
    setWidget(content);
}

void ResultsDock::begin(const QString& procedure)
{
    m_procedure = procedure;
    for (QTableView* grid : m_grids)
        grid->deleteLater();
    m_grids.clear();
    for (ResultsModel* model : m_models)
        model->deleteLater();
    m_models.clear();
    while (tabResults->count() > 1)
        tabResults->removeTab(0);
    edtMessages->clear();
    lblRunStatus->setText(tr("Running %1...").arg(procedure));
    btnCancelRun->setEnabled(true);
    show();
    raise();
}

void ResultsDock::beginResultSet(const std::vector<data::RunColumn>& columns)
{
    const int number = resultSetCount() + 1;
    auto* model = new ResultsModel(columns, this);
    auto* grid = new QTableView(tabResults);
    grid->setObjectName(QStringLiteral("gridResult%1").arg(number));
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setWordWrap(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* copy = new QAction(tr("Copy"), grid);
    copy->setObjectName(QStringLiteral("actCopyCells"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    grid->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { guarded([this] { copySelection(); }); });
    connect(grid, &QTableView::doubleClicked, this, [this] { guarded([this] { btnShowValueClick(); }); });
    m_models.push_back(model);
    m_grids.push_back(grid);
    tabResults->insertTab(number - 1, grid, tr("Result %1").arg(number));
    if (number == 1)
        tabResults->setCurrentIndex(0);
}

void ResultsDock::appendRows(std::vector<data::RunRow> rows)
{
    if (m_models.empty())
        return;
    const bool first = m_models.back()->rowCount() == 0;
    m_models.back()->appendRows(std::move(rows));
    // The widths follow the first rows; later ones do not make them jump.
    if (first) {
        QTableView* grid = m_grids.back();
        grid->resizeColumnsToContents();
        // A long value does not push the other columns out of sight.
        const int widest = grid->fontMetrics().averageCharWidth() * 40;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            grid->setColumnWidth(c, std::min(grid->columnWidth(c), widest));
    }
}

void ResultsDock::endResultSet(std::size_t rowsLeftOut)
{
    if (m_models.empty())
        return;
    ResultsModel* model = m_models.back();
    model->setRowsLeftOut(rowsLeftOut);
    const int rows = model->rowCount();
    QString line = rows == 1 ? tr("Result %1: 1 row").arg(resultSetCount())
                             : tr("Result %1: %2 rows").arg(resultSetCount()).arg(rows);
    if (rowsLeftOut)
        line += rowsLeftOut == 1 ? tr("; 1 more row left out")
                                 : tr("; %1 more rows left out").arg(rowsLeftOut);
    addLine(line);
}

void ResultsDock::addMessage(const data::RunMessage& message)
{
    addLine(QString::fromStdString(data::messageText(message)));
}

void ResultsDock::addRowsAffected(long long count)
{
    addLine(count == 1 ? tr("(1 row affected)") : tr("(%1 rows affected)").arg(count));
}

void ResultsDock::finish(const data::RunOutcome& outcome, std::int64_t elapsedMs)
{
    if (outcome.returnValue)
        addLine(tr("Return value: %1").arg(*outcome.returnValue));
    for (const data::RunOutput& output : outcome.outputs)
        addLine(QStringLiteral("%1 = %2").arg(QString::fromStdString(output.name),
                                               output.value ? QString::fromStdString(*output.value)
                                                            : QStringLiteral("NULL")));
    QString status;
    if (outcome.cancelled)
        status = outcome.rolledBack
            ? tr("Cancelled and rolled back")
            : tr("Cancelled: what the call left open was rolled back, the statements it had "
                 "finished were committed");
    else if (outcome.rolledBack)
        status = outcome.failed() ? tr("Failed and rolled back") : tr("Rolled back");
    else
        status = outcome.failed() ? tr("Failed; what ran before the error was committed")
                                  : tr("Committed");
    endRun(status, elapsedMs);
}

void ResultsDock::fail(const QString& failure, std::int64_t elapsedMs)
{
    addLine(failure);
    endRun(tr("Failed"), elapsedMs);
}

void ResultsDock::endRun(const QString& status, std::int64_t elapsedMs)
{
    addLine(tr("%1 in %2 s.").arg(status, seconds(elapsedMs)));
    lblRunStatus->setText(tr("%1: %2 in %3 s").arg(m_procedure, status.toLower(), seconds(elapsedMs)));
    btnCancelRun->setEnabled(false);
}

void ResultsDock::addLine(const QString& line)
{
    edtMessages->appendPlainText(line);
}

QString ResultsDock::messagesText() const
{
    return edtMessages->toPlainText();
}

QString ResultsDock::statusText() const
{
    return lblRunStatus->text();
}

QTableView* ResultsDock::currentGrid() const
{
    auto* grid = qobject_cast<QTableView*>(tabResults->currentWidget());
    if (!grid)
        throw Error(tr("Choose a result set first.").toStdString());
    return grid;
}

void ResultsDock::copySelection()
{
    QTableView* grid = currentGrid();
    const auto* model = static_cast<const ResultsModel*>(grid->model());
    QApplication::clipboard()->setText(model->tabSeparated(grid->selectionModel()->selectedIndexes()));
}

void ResultsDock::btnShowValueClick()
{
    QTableView* grid = currentGrid();
    const QModelIndex index = grid->currentIndex();
    if (!index.isValid())
        throw Error(tr("Choose a cell first.").toStdString());
    const auto* model = static_cast<const ResultsModel*>(grid->model());
    const QString column = model->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole)
                               .toString().section(QLatin1Char('\n'), 0, 0);
    const QVariant value = index.data(ResultsModel::WholeValueRole);
    TfrmValue viewer(tr("%1, row %2").arg(column).arg(index.row() + 1),
                     value.isNull() ? QStringLiteral("NULL") : value.toString(), this);
    exec(viewer);
}

void ResultsDock::btnSaveCsvClick()
{
    QTableView* grid = currentGrid();
    const auto* model = static_cast<const ResultsModel*>(grid->model());
    FileRequest request;
    request.objectName = QStringLiteral("sdResults");
    request.caption = tr("Save the result set as CSV");
    request.defaultSuffix = QStringLiteral("csv");
    request.nameFilters = {tr("CSV files (*.csv)"), tr("All files (*)")};
    request.proposedName = QStringLiteral("%1.csv").arg(tabResults->tabText(tabResults->currentIndex()));
    const std::optional<QString> path = getSaveFileName(request);
    if (!path)
        return;
    data::replaceFile(path->toStdString(), model->csv());
}

TfrmValue::TfrmValue(const QString& caption, const QString& value, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmValue"));
    setWindowTitle(caption);
    resize(560, 360);
    edtValue = new QPlainTextEdit(value, this);
    edtValue->setObjectName(QStringLiteral("edtValue"));
    edtValue->setReadOnly(true);
    edtValue->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edtValue, 1);
    layout->addWidget(buttons);
}

} // namespace varnett::ui
