#pragma once

#include <QString>
#include <QStringList>

namespace varnett::data { class TDataMain; }

namespace varnett {

// Procedures on the server: creating a page's text, reading a procedure's
// source, and writing an edited procedure back.
class ServerProcedures {
public:
    explicit ServerProcedures(data::TDataMain& dataMain) : m_dataMain(dataMain) {}

    // Runs the page's lines as one batch and reports the outcome with the
    // page's word ("insert", "update", "delete"). Returns true on success.
    bool createPage(const QStringList& lines, const QString& word);

    // The source of a procedure of the current database, one line per line
    // of its text. Throws when the server does not give it.
    QStringList procedureText(const QString& name);

    // Drops the procedure (when named) and runs the lines, in one
    // transaction that is committed before success is reported. Returns true
    // on success.
    bool updateOnServer(const QString& procedureName, const QStringList& lines);

private:
    data::TDataMain& m_dataMain;
};

} // namespace varnett
