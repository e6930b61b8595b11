#pragma once

#include <QDialog>
#include <QStringList>

#include <optional>

class QLabel;
class QListWidget;
class QPushButton;

namespace varnett {

namespace data { class TDataMain; }

// Moves procedures from the source list to the destination list and drops
// those of the destination list in one batch. Stays open after a deletion.
class TfrmDeleteProc : public QDialog {
    Q_OBJECT
public:
    TfrmDeleteProc(data::TDataMain& dataMain, QWidget* parent = nullptr);

    // Lists every procedure of the catalog in the source list. Catalog
    // errors are thrown.
    void fill();

    void IncludeBtnClick();
    void IncAllBtnClick();
    void ExcludeBtnClick();
    void ExcAllBtnClick();
    // Delete All: asks, then drops the destination list's procedures.
    void OKBtnClick();

    QLabel* SrcLabel = nullptr;
    QLabel* DstLabel = nullptr;
    QListWidget* SrcList = nullptr;
    QListWidget* DstList = nullptr;
    QPushButton* IncludeBtn = nullptr;
    QPushButton* IncAllBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QPushButton* ExAllBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // The procedures dropped while the dialog was open.
    const QStringList& dropped() const { return m_dropped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void append(QListWidget* list, const QString& text);
    void moveSelected(QListWidget* from, QListWidget* to);
    void moveSelectedAndReselect(QListWidget* from, QListWidget* to);
    void moveAllAndReselect(QListWidget* from, QListWidget* to);
    void reselect(QListWidget* list, std::optional<int> position);
    void updateButtons();

    data::TDataMain& m_dataMain;
    QStringList m_dropped;
};

// Procedure > Delete procedure: fills and shows the dialog. Catalog errors
// are thrown before it shows. Returns the procedures dropped.
QStringList showDeleteProcedures(data::TDataMain& dataMain, QWidget* parent = nullptr);

// The question before procedures are dropped: it names them, up to ten, then
// how many more.
QString dropQuestion(const QStringList& names);

} // namespace varnett
