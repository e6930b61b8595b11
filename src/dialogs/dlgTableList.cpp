#include "dialogs/dlgTableList.h"

#include "data/dmMain.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
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

    Label1 = new QLabel(tr("Current database:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QLabel* label = Label1;

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
    OptionsBtn = new QPushButton(tr("Options >"), this);
    OptionsBtn->setObjectName(QStringLiteral("OptionsBtn"));
    BackBtn = new QPushButton(tr("< Tables"), this);
    BackBtn->setObjectName(QStringLiteral("BackBtn"));
    BackBtn->hide();
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(OptionsBtn, &QPushButton::clicked, this, &Tfrm_TableList::showOptions);
    connect(BackBtn, &QPushButton::clicked, this, &Tfrm_TableList::showTables);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OptionsBtn);
    buttons->addWidget(BackBtn);
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* tablesStep = new QWidget(this);
    tablesStep->setObjectName(QStringLiteral("pnlTables"));
    auto* tablesLayout = new QVBoxLayout(tablesStep);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    tablesLayout->addWidget(label);
    tablesLayout->addWidget(lvTables, 1);

    pcSteps = new QStackedWidget(this);
    pcSteps->setObjectName(QStringLiteral("pcSteps"));
    pcSteps->addWidget(tablesStep);
    pcSteps->addWidget(buildOptionsStep());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcSteps, 1);
    layout->addLayout(buttons);
}

QWidget* Tfrm_TableList::buildOptionsStep()
{
    auto* step = new QWidget(this);
    step->setObjectName(QStringLiteral("pnlOptions"));
    seRowsPerInsert = new QSpinBox(step);
    seRowsPerInsert->setObjectName(QStringLiteral("seRowsPerInsert"));
    seRowsPerInsert->setRange(1, 1000);
    seBatch = new QSpinBox(step);
    seBatch->setObjectName(QStringLiteral("seBatch"));
    seBatch->setRange(1, 1000000);
    cbOrderByKeys = new QCheckBox(tr("Tables referred to by foreign keys first"), step);
    cbOrderByKeys->setObjectName(QStringLiteral("cbOrderByKeys"));

    lvConditions = new QTreeWidget(step);
    lvConditions->setObjectName(QStringLiteral("lvConditions"));
    lvConditions->setColumnCount(2);
    lvConditions->setHeaderLabels({tr("Table name"), tr("Condition")});
    lvConditions->setRootIsDecorated(false);
    lvConditions->setEditTriggers(QAbstractItemView::AllEditTriggers);
    lvConditions->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    lvConditions->header()->setStretchLastSection(true);

    auto* form = new QFormLayout;
    form->addRow(tr("Rows per INSERT:"), seRowsPerInsert);
    form->addRow(tr("Statements per batch (GO):"), seBatch);
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(cbOrderByKeys);
    auto* conditions = new QLabel(tr("Only the rows that meet a condition (T-SQL):"), step);
    conditions->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(conditions);
    layout->addWidget(lvConditions, 1);
    return step;
}

void Tfrm_TableList::keepConditions()
{
    for (int i = 0; i < lvConditions->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvConditions->topLevelItem(i);
        m_conditions.insert(item->text(0), item->text(1));
    }
}

void Tfrm_TableList::showOptions()
{
    keepConditions();
    lvConditions->clear();
    for (const sqltext::ObjectName& table : chosenTables()) {
        const QString name = QString::fromStdString(sqltext::displayName(table));
        auto* item = new QTreeWidgetItem({name, m_conditions.value(name)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        lvConditions->addTopLevelItem(item);
    }
    pcSteps->setCurrentIndex(1);
    OptionsBtn->hide();
    BackBtn->show();
}

void Tfrm_TableList::showTables()
{
    keepConditions();
    pcSteps->setCurrentIndex(0);
    BackBtn->hide();
    OptionsBtn->show();
}

data::DataScriptSettings Tfrm_TableList::chosenSettings() const
{
    data::DataScriptSettings settings;
    settings.format.rowsPerInsert = seRowsPerInsert->value();
    settings.format.statementsPerBatch = seBatch->value();
    settings.orderByKeys = cbOrderByKeys->isChecked();
    // The conditions of the tables still chosen, as the options step shows them.
    QMap<QString, QString> conditions = m_conditions;
    for (int i = 0; i < lvConditions->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lvConditions->topLevelItem(i);
        conditions.insert(item->text(0), item->text(1));
    }
    for (const sqltext::ObjectName& table : chosenTables()) {
        const QString condition
            = conditions.value(QString::fromStdString(sqltext::displayName(table))).trimmed();
        if (!condition.isEmpty())
            settings.conditions.emplace_back(table, condition.toStdString());
    }
    return settings;
}

void Tfrm_TableList::setTables(const std::vector<sqltext::ObjectName>& tables)
{
    lvTables->clear();
    m_tables = tables;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(tables.size()));
    for (const sqltext::ObjectName& table : tables)
        items << new QTreeWidgetItem({QString::fromStdString(sqltext::displayName(table))});
    lvTables->addTopLevelItems(items);
}

std::vector<sqltext::ObjectName> Tfrm_TableList::chosenTables() const
{
    // The list is never sorted: entry i shows table i.
    std::vector<sqltext::ObjectName> chosen;
    for (int i = 0; i < lvTables->topLevelItemCount(); ++i)
        if (lvTables->topLevelItem(i)->isSelected())
            chosen.push_back(m_tables.at(static_cast<std::size_t>(i)));
    return chosen;
}

void Tfrm_TableList::setDatabase(const QString& name)
{
    Label1->setText(tr("Current database: %1").arg(name));
}

std::vector<sqltext::ObjectName> chooseTables(data::TDataMain& dataMain, QWidget* parent)
{
    std::vector<sqltext::ObjectName> tables;
    {
        ui::BusyOperation busy({}, false);
        tables = dataMain.listTables();
    }
    Tfrm_TableList dialog(parent);
    dialog.setTables(tables);
    dialog.setDatabase(QString::fromStdString(dataMain.currentDatabaseName()));
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return dialog.chosenTables();
}

DataScriptChoice chooseDataScript(data::TDataMain& dataMain, QWidget* parent)
{
    const std::vector<sqltext::ObjectName> tables = dataMain.listTables();
    Tfrm_TableList dialog(parent);
    dialog.setTables(tables);
    dialog.setDatabase(QString::fromStdString(dataMain.currentDatabaseName()));
    if (ui::exec(dialog) != QDialog::Accepted)
        return {};
    return {dialog.chosenTables(), dialog.chosenSettings()};
}

} // namespace varnett
