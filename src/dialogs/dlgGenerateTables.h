#pragma once

#include "data/GeneratedProcedures.h"
#include "dialogs/GeneratorSwitches.h"

#include <QDialog>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnett {

// Where the procedures generated for many tables go.
enum class GenerateOutput { ScriptFile, Folder, Server };

// What the second step of "Generate for tables" gave.
struct GenerateTablesChoice {
    bool accepted = false;
    data::GenerationRequest request;   // without the tables
    GenerateOutput output = GenerateOutput::ScriptFile;
    QString path;                      // the script file or the folder
};

// The kinds of procedure to generate for the chosen tables (Insert, and
// Update, Delete and Select by key), a name pattern for each, the generator
// options, and the output: one script file, a folder of one file per
// procedure, or created on the server. OK checks the choice first and keeps
// the dialog open, saying what is wrong, when it cannot be used.
class TfrmGenerateTables : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGenerateTables(QWidget* parent = nullptr);

    // "N tables chosen" above the kinds.
    void setTableCount(int count);
    void setOptions(const sqltext::GeneratorOptions& options);
    // The choice as the widgets hold it (not checked).
    GenerateTablesChoice choice() const;

    void accept() override;

    QLabel* lblTables = nullptr;
    std::array<QCheckBox*, 4> cbKinds{};       // cbInsert, cbUpdate, cbDelete, cbSelect
    std::array<QLineEdit*, 4> edPatterns{};    // edInsertPattern, ...
    GeneratorSwitches switches;
    QRadioButton* rbScriptFile = nullptr;
    QRadioButton* rbFolder = nullptr;
    QRadioButton* rbServer = nullptr;
    QLineEdit* edScriptFile = nullptr;
    QLineEdit* edFolder = nullptr;
    QPushButton* btnBrowseScript = nullptr;
    QPushButton* btnBrowseFolder = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void browseScript();
    void browseFolder();
    void updateEnabled();
    // Throws varnett::Error saying what keeps the choice from being used.
    void check() const;
};

// Shows the dialog with the options as its defaults; `accepted` is false
// after Cancel.
GenerateTablesChoice askGenerateTables(int tableCount, const sqltext::GeneratorOptions& options,
                                       QWidget* parent = nullptr);

} // namespace varnett
