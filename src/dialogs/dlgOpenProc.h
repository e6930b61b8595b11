#pragma once

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace varnett {

namespace data { class TDataMain; }

// The open dialog: the procedures of the current database with a filter.
class TfrmProcOpen : public QDialog {
    Q_OBJECT
public:
    TfrmProcOpen(data::TDataMain& dataMain, QWidget* parent = nullptr);

    // Reads the catalog and lists every procedure, then shows the database
    // name. Catalog errors are thrown; nothing is listed then.
    void prepare(bool multipleSelection);

    // Lists the procedures that match the filter text (read from the
    // catalog again).
    void edtFilterButtonClick();

    // Names of the selected entries, in list order.
    std::vector<QString> selectedNames() const;

    QLabel* Label1 = nullptr;
    QTreeWidget* lvProc = nullptr;
    QLineEdit* edtName = nullptr;
    QLineEdit* edtFilter = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    // Execute...: closes the dialog to run the chosen procedure rather than
    // open it; hidden unless asked for.
    QPushButton* ExecBtn = nullptr;
    bool executeChosen() const { return m_execute; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillList(const std::vector<std::string>& names);
    void lvProcClick();
    void lvProcDblClick();

    data::TDataMain& m_dataMain;
    bool m_execute = false;
};

// File > Open: asks for one procedure name. Returns the name as typed into
// edtName after OK, an empty text after Cancel. Catalog errors are thrown
// before the dialog shows. Given `execute`, the dialog offers Execute...
// as well and tells whether it was chosen.
QString askOpenProcedure(data::TDataMain& dataMain, QWidget* parent = nullptr,
                         bool* execute = nullptr);

// Asks for several procedures: the selected entries in list order after OK,
// none after Cancel. Catalog errors are thrown before the dialog shows.
std::vector<QString> askOpenProcedures(data::TDataMain& dataMain, QWidget* parent = nullptr);

} // namespace varnett
