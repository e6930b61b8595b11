#include "ui/ResultsModel.h"

#include "sqltext/Delimited.h"

#include <QBrush>
#include <QFont>
#include <QPalette>
#include <QRegularExpression>

#include <algorithm>
#include <set>

namespace varnett::ui {

QString cellText(const std::string& value, bool binary)
{
    QString text = QString::fromStdString(value);
    const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    const qsizetype kept = std::min<qsizetype>(lineEnd < 0 ? text.size() : lineEnd,
                                               ResultsModel::kCellChars);
    if (kept == text.size())
        return text;
    text.truncate(kept);
    text += QChar(0x2026);
    if (binary)
        text += ResultsModel::tr(" (%1 bytes)").arg((value.size() - 2) / 2);
    return text;
}

ResultsModel::ResultsModel(std::vector<data::RunColumn> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(std::move(columns))
{
}

int ResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

const std::optional<std::string>& ResultsModel::value(int row, int column) const
{
    return m_rows.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const std::optional<std::string>& cell = value(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return cell ? cellText(*cell, m_columns[static_cast<std::size_t>(index.column())].binary)
                    : QStringLiteral("NULL");
    case NullRole:
        return !cell;
    case WholeValueRole:
        return cell ? QVariant(QString::fromStdString(*cell)) : QVariant();
    case Qt::FontRole:
        if (!cell) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (!cell)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        return {};
    default:
        return {};
    }
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const data::RunColumn& column = m_columns.at(static_cast<std::size_t>(section));
    return QString::fromStdString(column.name) + QLatin1Char('\n')
        + QString::fromStdString(column.type);
}

void ResultsModel::appendRows(std::vector<data::RunRow> rows)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    std::move(rows.begin(), rows.end(), std::back_inserter(m_rows));
    endInsertRows();
}

QString ResultsModel::tabSeparated(const QModelIndexList& cells) const
{
    std::set<int> rows;
    std::set<int> columns;
    std::set<std::pair<int, int>> chosen;
    for (const QModelIndex& index : cells) {
        if (!index.isValid() || index.model() != this)
            continue;
        rows.insert(index.row());
        columns.insert(index.column());
        chosen.insert({index.row(), index.column()});
    }
    std::string text;
    for (int row : rows) {
        bool first = true;
        for (int column : columns) {
            if (!first)
                text += '\t';
            first = false;
            if (chosen.count({row, column}))
                text += sqltext::delimitedField(value(row, column), '\t');
        }
        text += '\n';
    }
    return QString::fromStdString(text);
}

std::string ResultsModel::csv() const
{
    std::string text;
    auto line = [&text](const auto& cells, auto field) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            text += (i ? "," : "") + sqltext::csvField(field(cells[i]));
        text += "\r\n";
    };
    line(m_columns, [](const data::RunColumn& c) { return std::optional<std::string>(c.name); });
    for (const data::RunRow& row : m_rows)
        line(row, [](const std::optional<std::string>& v) { return v; });
    return text;
}

} // namespace varnett::ui
