#include "dialogs/dlgTableList.h"

#include "data/dmMain.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnett {

Tfrm_TableList::Tfrm_TableList(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frm_TableList"));
    setWindowTitle(tr("Table List"));
    setFixedSize(355, 513);

    auto* label = new QLabel(tr("Current database:"), this);
    label->setObjectName(QStringLiteral("Label1"));

    lvTables = new QTreeWidget(this);
    lvTables->setObjectName(QStringLiteral("lvTables"));
    lvTables->setColumnCount(1);
    lvTables->setHeaderLabels({tr("Table name")});
    lvTables->setRootIsDecorated(false);
    lvTables->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvTables->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTables->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTables->setSortingEnabled(false);
    lvTables->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    OKBtn = new QPushButton(tr("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(lvTables, 1);
    layout->addLayout(buttons);
}

void Tfrm_TableList::setTables(const std::vector<std::string>& tables)
{
    lvTables->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(tables.size()));
    for (const std::string& table : tables)
        items << new QTreeWidgetItem({QString::fromStdString(table)});
    lvTables->addTopLevelItems(items);
}

std::vector<std::string> Tfrm_TableList::chosenTables() const
{
    std::vector<std::string> chosen;
    for (int i = 0; i < lvTables->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvTables->topLevelItem(i);
        if (item->isSelected())
            chosen.push_back(item->text(0).toStdString());
    }
    return chosen;
}

std::vector<std::string> chooseTables(data::TDataMain& dataMain, QWidget* parent)
{
    std::vector<std::string> tables;
    {
        ui::BusyOperation busy({}, false);
        tables = dataMain.listTables();
    }
    Tfrm_TableList dialog(parent);
    dialog.setTables(tables);
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.chosenTables();
}

} // namespace varnett
