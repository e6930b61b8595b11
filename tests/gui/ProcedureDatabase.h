#pragma once

#include "support/TempDir.h"

#include <QStringList>

#include <memory>

class QWidget;

namespace varnett::data {
class SettingsStore;
class TDataMain;
}

namespace varnett::testing {

// The Sales database with a data module connected to it and these stored
// procedures, listed by the catalog in this order:
// a]b, GetCustomers, SP_DELETE_Orders, sp_helper, SP_INSERT_Orders, SP_UPDATE_Orders.
class ProcedureDatabase {
public:
    ProcedureDatabase();
    ~ProcedureDatabase();

    data::TDataMain& dataMain() { return *m_dataMain; }
    // The catalog's names without their ";1".
    QStringList procedures();
    // Points the data module at a file that does not exist, so every
    // catalog read fails.
    void breakConnection();

private:
    TempDir m_dir;
    std::unique_ptr<data::SettingsStore> m_settings;
    std::unique_ptr<data::TDataMain> m_dataMain;
};

} // namespace varnett::testing
