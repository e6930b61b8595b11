#pragma once

#include "data/ProcedureRun.h"

#include <QDialog>
#include <QDockWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace varnett::ui {

class ResultsModel;

// The results of the last procedure call, below the editor: a grid for
// each result set (Ctrl+C copies the selected cells as tab-separated text,
// a double-click shows a value whole), then the messages, the rows each
// statement affected, the return value, the output parameters, whether the
// call was rolled back or committed, and the time it took.
class ResultsDock : public QDockWidget {
    Q_OBJECT
public:
    explicit ResultsDock(QWidget* parent = nullptr);

    // What the runner reports, in order, on the window's thread.
    void begin(const QString& procedure);
    void beginResultSet(const std::vector<data::RunColumn>& columns);
    void appendRows(std::vector<data::RunRow> rows);
    void endResultSet(std::size_t rowsLeftOut);
    void addMessage(const data::RunMessage& message);
    void addRowsAffected(long long count);
    void finish(const data::RunOutcome& outcome, std::int64_t elapsedMs);
    void fail(const QString& failure, std::int64_t elapsedMs);

    int resultSetCount() const { return static_cast<int>(m_models.size()); }
    ResultsModel* model(int set) const { return m_models.at(static_cast<std::size_t>(set)); }
    QTableView* grid(int set) const { return m_grids.at(static_cast<std::size_t>(set)); }
    QString messagesText() const;
    QString statusText() const;

    // The commands of the buttons, on the grid of the current tab.
    void btnShowValueClick();
    void btnSaveCsvClick();
    void copySelection();

    QLabel* lblRunStatus = nullptr;
    QPushButton* btnCancelRun = nullptr;
    QPushButton* btnShowValue = nullptr;
    QPushButton* btnSaveCsv = nullptr;
    QTabWidget* tabResults = nullptr;
    QPlainTextEdit* edtMessages = nullptr;

private:
    QTableView* currentGrid() const;
    void addLine(const QString& line);
    void endRun(const QString& status, std::int64_t elapsedMs);

    QString m_procedure;
    std::vector<ResultsModel*> m_models;
    std::vector<QTableView*> m_grids;
};

// A value of a result set shown whole, read-only.
class TfrmValue : public QDialog {
    Q_OBJECT
public:
    TfrmValue(const QString& caption, const QString& value, QWidget* parent = nullptr);
    QPlainTextEdit* edtValue = nullptr;
};

} // namespace varnett::ui
