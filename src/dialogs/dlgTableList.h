#pragma once

#include "data/Scripts.h"

#include <QDialog>
#include <QMap>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

namespace varnett {

namespace data { class TDataMain; }

// The table chooser of the data transfer script, with a second step for
// the script's options: rows to an INSERT, statements to a batch, foreign-key
// order and a condition per chosen table. OK closes from either step.
class Tfrm_TableList : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_TableList(QWidget* parent = nullptr);

    // Lists the names, one entry each, in the given order.
    void setTables(const std::vector<sqltext::ObjectName>& tables);
    // "Current database: NAME" above the list.
    void setDatabase(const QString& name);
    // The selected entries, in list order.
    std::vector<sqltext::ObjectName> chosenTables() const;
    // The options as set; all off unless the options step changed them.
    data::DataScriptSettings chosenSettings() const;

    // Shows the options step, its conditions listing the chosen tables.
    void showOptions();
    // Back to the table list.
    void showTables();

    QLabel* Label1 = nullptr;
    QTreeWidget* lvTables = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* OptionsBtn = nullptr;
    QPushButton* BackBtn = nullptr;
    QStackedWidget* pcSteps = nullptr;
    QSpinBox* seRowsPerInsert = nullptr;
    QSpinBox* seBatch = nullptr;
    QCheckBox* cbOrderByKeys = nullptr;
    QTreeWidget* lvConditions = nullptr;

private:
    QWidget* buildOptionsStep();
    // Conditions typed so far, by table, kept when the step is left.
    void keepConditions();
    QMap<QString, QString> m_conditions;
    std::vector<sqltext::ObjectName> m_tables;
};

// What the chooser gave for the data transfer script.
struct DataScriptChoice {
    std::vector<sqltext::ObjectName> tables;   // empty after Cancel
    data::DataScriptSettings settings;
};

// chooseTables with the options step's settings.
DataScriptChoice chooseDataScript(data::TDataMain& dataMain, QWidget* parent = nullptr);

// Fills the chooser with the tables and views of the current database and
// shows it. Returns the chosen names in list order; none after Cancel.
// Catalog errors are thrown before the chooser shows.
std::vector<sqltext::ObjectName> chooseTables(data::TDataMain& dataMain,
                                              QWidget* parent = nullptr);

} // namespace varnett
