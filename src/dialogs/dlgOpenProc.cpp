#include "dialogs/dlgOpenProc.h"

#include "data/dmMain.h"
#include "sqltext/ProcedureFilter.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnett {

TfrmProcOpen::TfrmProcOpen(data::TDataMain& dataMain, QWidget* parent)
    : QDialog(parent)
    , m_dataMain(dataMain)
{
    setObjectName(QStringLiteral("frmProcOpen"));
    setWindowTitle(tr("Stored procedure open"));
    resize(460, 440);

    Label1 = new QLabel(tr("Current database: "), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    lvProc = new QTreeWidget(this);
    lvProc->setObjectName(QStringLiteral("lvProc"));
    lvProc->setColumnCount(1);
    lvProc->setHeaderLabels({tr("Procedure name")});
    lvProc->setRootIsDecorated(false);
    lvProc->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvProc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvProc->setSortingEnabled(false);
    lvProc->header()->setStretchLastSection(true);
    lvProc->viewport()->installEventFilter(this);
    connect(lvProc, &QTreeWidget::itemClicked, this, [this] { lvProcClick(); });

    auto* nameLabel = new QLabel(tr("Procedure name:"), this);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    edtName->setMinimumWidth(280);
    nameLabel->setBuddy(edtName);

    auto* filterLabel = new QLabel(tr("Filter:"), this);
    edtFilter = new QLineEdit(this);
    edtFilter->setObjectName(QStringLiteral("edtFilter"));
    filterLabel->setBuddy(edtFilter);
    edtFilter->installEventFilter(this);
    auto* filterButton = new QAction(style()->standardIcon(QStyle::SP_ArrowDown),
                                     tr("Filter"), edtFilter);
    filterButton->setObjectName(QStringLiteral("edtFilterButton"));
    filterButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
    filterButton->setShortcutContext(Qt::WidgetShortcut);
    edtFilter->addAction(filterButton, QLineEdit::TrailingPosition);
    connect(filterButton, &QAction::triggered, this,
            [this] { ui::guarded([this] { edtFilterButtonClick(); }); });

    OKBtn = new QPushButton(tr("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    ExecBtn = new QPushButton(tr("E&xecute..."), this);
    ExecBtn->setObjectName(QStringLiteral("ExecBtn"));
    ExecBtn->setAutoDefault(false);
    ExecBtn->setVisible(false);
    connect(ExecBtn, &QPushButton::clicked, this, [this] {
        m_execute = true;
        accept();
    });

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(edtName, 0, 1);
    fields->addWidget(OKBtn, 0, 2);
    fields->addWidget(filterLabel, 1, 0);
    fields->addWidget(edtFilter, 1, 1);
    fields->addWidget(CancelBtn, 1, 2);
    fields->addWidget(ExecBtn, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lvProc, 1);
    layout->addLayout(fields);
}

void TfrmProcOpen::prepare(bool multipleSelection)
{
    lvProc->setSelectionMode(multipleSelection ? QAbstractItemView::ExtendedSelection
                                               : QAbstractItemView::SingleSelection);
    const std::vector<std::string> catalog = sqltext::catalogNames(m_dataMain.listProcedures());
    fillList(sqltext::filterOpenDialog(catalog, {}));
    Label1->setText(tr("Current database: %1")
                        .arg(QString::fromStdString(m_dataMain.currentDatabaseName())));
}

void TfrmProcOpen::edtFilterButtonClick()
{
    const std::vector<std::string> catalog = sqltext::catalogNames(m_dataMain.listProcedures());
    fillList(sqltext::filterOpenDialog(catalog, edtFilter->text().toStdString()));
}

void TfrmProcOpen::fillList(const std::vector<std::string>& names)
{
    lvProc->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        auto* item = new QTreeWidgetItem({QString::fromStdString(name)});
        item->setIcon(0, icon);
        items << item;
    }
    lvProc->addTopLevelItems(items);
}

std::vector<QString> TfrmProcOpen::selectedNames() const
{
    std::vector<QString> names;
    for (int i = 0; i < lvProc->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvProc->topLevelItem(i);
        if (item->isSelected())
            names.push_back(item->text(0));
    }
    return names;
}

void TfrmProcOpen::lvProcClick()
{
    const std::vector<QString> names = selectedNames();
    if (!names.empty())
        edtName->setText(names.front());
}

void TfrmProcOpen::lvProcDblClick()
{
    if (!selectedNames().empty())
        accept();
}

bool TfrmProcOpen::eventFilter(QObject* watched, QEvent* event)
{
    // Any double click in the list, also one beside the entries.
    if (watched == lvProc->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        lvProcDblClick();
        return true;
    }
    // Enter in the filter box applies the filter; it does not close the dialog.
    if (watched == edtFilter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui::guarded([this] { edtFilterButtonClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString askOpenProcedure(data::TDataMain& dataMain, QWidget* parent, bool* execute)
{
    TfrmProcOpen dialog(dataMain, parent);
    {
        ui::BusyOperation busy({}, false);
        dialog.prepare(false);
    }
    dialog.ExecBtn->setVisible(execute != nullptr);
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    if (execute)
        *execute = dialog.executeChosen();
    return dialog.edtName->text();
}

std::vector<QString> askOpenProcedures(data::TDataMain& dataMain, QWidget* parent)
{
    TfrmProcOpen dialog(dataMain, parent);
    {
        ui::BusyOperation busy({}, false);
        dialog.prepare(true);
    }
    // It chooses the procedures of a script, not one to open.
    dialog.setWindowTitle(TfrmProcOpen::tr("Procedures of the script"));
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedNames();
}

} // namespace varnett
