#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace varnett {

namespace data { class TDataMain; }

// The table chooser of the data transfer script.
class Tfrm_TableList : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_TableList(QWidget* parent = nullptr);

    // Lists the names, one entry each, in the given order.
    void setTables(const std::vector<std::string>& tables);
    // Names of the selected entries, in list order.
    std::vector<std::string> chosenTables() const;

    QTreeWidget* lvTables = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

// Fills the chooser with the tables and views of the current database and
// shows it. Returns the chosen names in list order; none after Cancel.
// Catalog errors are thrown before the chooser shows.
std::vector<std::string> chooseTables(data::TDataMain& dataMain, QWidget* parent = nullptr);

} // namespace varnett
