#pragma once

#include "data/ProcedureRun.h"

#include <QAbstractTableModel>
#include <QModelIndexList>

#include <optional>
#include <string>
#include <vector>

namespace varnett::ui {

// One result set of a procedure call for a grid: the column names and types
// in the header, the rows as they arrive. A cell shows NULL apart from the
// text 'NULL' (grey and italic) and shows a long text or binary value
// abbreviated; WholeValueRole gives it whole.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role { NullRole = Qt::UserRole + 1, WholeValueRole };
    // The characters a cell shows of a value, before "…".
    static constexpr int kCellChars = 200;

    explicit ResultsModel(std::vector<data::RunColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void appendRows(std::vector<data::RunRow> rows);
    // Rows the server sent beyond those kept.
    void setRowsLeftOut(std::size_t rows) { m_rowsLeftOut = rows; }
    std::size_t rowsLeftOut() const { return m_rowsLeftOut; }
    const std::vector<data::RunColumn>& columns() const { return m_columns; }
    const std::optional<std::string>& value(int row, int column) const;

    // The selected cells as tab-separated lines: every row and column that
    // holds a selected cell, in order, a cell not selected left empty;
    // quoted as CSV quotes where a value holds a tab, a quote or a line break.
    QString tabSeparated(const QModelIndexList& cells) const;
    // The whole set as CSV: a line of column names, then the rows, each line
    // ending in CR LF.
    std::string csv() const;

private:
    std::vector<data::RunColumn> m_columns;
    std::vector<data::RunRow> m_rows;
    std::size_t m_rowsLeftOut = 0;
};

// What a cell shows of a value: its first line, at most kCellChars
// characters of it, "…" where something is left out; a binary value's bytes
// counted after it.
QString cellText(const std::string& value, bool binary);

} // namespace varnett::ui
