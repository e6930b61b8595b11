#pragma once

#include "data/Connection.h"
#include "data/StoredPassword.h"

#include <QObject>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace varnett::data {

class SettingsStore;

// The data module: the program's one connection and the settings store it
// is opened from. It never shows anything: failures are thrown.
class TDataMain : public QObject {
    Q_OBJECT
public:
    explicit TDataMain(SettingsStore& settings, QObject* parent = nullptr);
    ~TDataMain() override;

    // Reads the stored connection string, sets it (even when empty) and
    // opens the connection. Throws the reading or opening failure; the
    // connection then stays closed. A plain-text password of an older
    // settings file is moved into the keychain first (see takeNotice).
    void DataModuleCreate();
    // The question asked when a password is to be stored and no keychain can
    // be reached; without one it goes to the settings file as before.
    void setPasswordQuestion(StoreInSettingsQuestion question) { m_question = std::move(question); }
    // What the last DataModuleCreate did that the user is told of (the
    // password moved), once; empty when nothing.
    std::string takeNotice() { return std::exchange(m_notice, {}); }

    Connection& db() { return m_db; }
    SettingsStore& settings() { return m_settings; }

    // The name of the database in use; empty while the connection is closed.
    std::string currentDatabaseName() const { return m_db.databaseName(); }

    // Stores the connection's current string in the settings store.
    void storeConnectionString();

    // Catalog reads; each opens a closed connection first.
    std::vector<ObjectName> listTables();
    std::vector<ObjectName> listViews();
    std::vector<ProcedureRef> listProcedures();
    std::unique_ptr<RowCursor> openTable(const ObjectName& table);
    sqltext::TableKeys tableKeys(const ObjectName& table);

    // Runs the lines, each followed by CR LF, as one batch.
    void executeLines(const std::vector<std::string>& lines);

private:
    SettingsStore& m_settings;
    Connection m_db;
    StoreInSettingsQuestion m_question;
    std::string m_notice;
};

// The text of lines as sent to the server or written to a file: every line
// followed by CR LF, the last one too.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

} // namespace varnett::data
