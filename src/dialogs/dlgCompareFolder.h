#pragma once

#include "data/ProcedureFolder.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnett {

namespace data { class Engine; }
class SideBySideView;

// The procedures of the database beside the files of a scripts folder: a
// list of every procedure with its state and a box to choose it, the two
// texts of the current one side by side, and the commands that deploy the
// chosen folder versions to the database or write the chosen database
// versions into the folder. Each command compares again afterwards; a
// refusal (a procedure changed on the server since the comparison) is shown
// and the dialog stays open.
class TfrmCompareFolder : public QDialog {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, StateColumn = 1 };

    TfrmCompareFolder(data::Engine& engine, QString folder, QWidget* parent = nullptr);

    // Compares the folder with the database and fills the list, keeping the
    // current procedure where it is still listed. Failures are thrown.
    void compare();

    // Asks, deploys the chosen entries in one transaction, compares again.
    void btnDeployClick();
    // Asks, writes the chosen entries' database versions, compares again.
    void btnWriteBackClick();

    const std::vector<data::FolderEntry>& entries() const { return m_entries; }
    // The entries whose box is ticked, in list order.
    std::vector<data::FolderEntry> chosen() const;
    // The procedures deployed while the dialog was open, as the lists show them.
    const QStringList& deployed() const { return m_deployed; }

    QLabel* lblFolder = nullptr;
    QCheckBox* chkOnlyDifferences = nullptr;
    QTreeWidget* lstCompare = nullptr;
    SideBySideView* viewTexts = nullptr;
    QLabel* lblProblem = nullptr;       // why the current texts cannot be shown
    QSplitter* splCompare = nullptr;
    QPushButton* btnDeploy = nullptr;
    QPushButton* btnWriteBack = nullptr;
    QPushButton* btnCompareAgain = nullptr;
    QPushButton* btnClose = nullptr;

private:
    void showCurrent();
    void applyFilter();
    void updateButtons();
    QStringList chosenNames() const;
    const data::FolderEntry& entryOf(const QTreeWidgetItem* item) const;

    data::Engine& m_engine;
    QString m_folder;
    std::vector<data::FolderEntry> m_entries;   // in list order
    QStringList m_deployed;
};

// DataBase > Compare with folder: compares, then shows the dialog. Failures
// of the first comparison are thrown before it shows. Returns the
// procedures deployed.
QStringList showCompareFolder(data::Engine& engine, const QString& folder, QWidget* parent = nullptr);

} // namespace varnett
