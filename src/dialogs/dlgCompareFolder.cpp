#include "dialogs/dlgCompareFolder.h"

#include "dialogs/SideBySideView.h"
#include "sqltext/ProcedureFolder.h"
#include "ui/Modal.h"

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace varnett {

namespace {

constexpr int kEntryRole = Qt::UserRole;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QString shownName(const data::FolderEntry& entry)
{
    return QString::fromStdString(sqltext::displayName(entry.procedure));
}

// A side's text as its file holds it; empty where the side has none.
std::string fileText(const data::FolderEntry& entry, const std::optional<sqltext::ProcedureFile>& file)
{
    return file ? sqltext::procedureFileText(entry.procedure, *file) : std::string();
}

// The question before a command: what it does, then the names, up to ten.
QString question(const QString& what, const QStringList& names)
{
    constexpr int kNamed = 10;
    QStringList shown;
    for (int i = 0; i < names.size() && i < kNamed; ++i)
        shown << QStringLiteral("    ") + names[i];
    if (names.size() > kNamed)
        shown << TfrmCompareFolder::tr("    and %n more", nullptr, static_cast<int>(names.size() - kNamed));
    return what + QLatin1Char('\n') + shown.join(QLatin1Char('\n'));
}

// The states that need a look stand out in the list, in the colours the
// texts mark their lines with.
QColor stateColour(data::FolderState state)
{
    switch (state) {
    case data::FolderState::OnlyInDatabase: return QColor(0xb0, 0x20, 0x20);
    case data::FolderState::OnlyInFolder: return QColor(0x1a, 0x7f, 0x1a);
    default: return QColor(0x9a, 0x60, 0x00);
    }
}

} // namespace

TfrmCompareFolder::TfrmCompareFolder(data::Engine& engine, QString folder, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_folder(std::move(folder))
{
    setObjectName(QStringLiteral("frmCompareFolder"));
    setWindowTitle(tr("Compare with folder"));
    setSizeGripEnabled(true);
    resize(1100, 720);

    lblFolder = new QLabel(tr("Folder: %1").arg(QDir::toNativeSeparators(m_folder)), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chkOnlyDifferences = new QCheckBox(tr("&Only the differences"), this);
    chkOnlyDifferences->setObjectName(QStringLiteral("chkOnlyDifferences"));

    lstCompare = new QTreeWidget(this);
    lstCompare->setObjectName(QStringLiteral("lstCompare"));
    lstCompare->setHeaderLabels({tr("Procedure"), tr("State")});
    lstCompare->setRootIsDecorated(false);
    lstCompare->setUniformRowHeights(true);
    lstCompare->setAllColumnsShowFocus(true);
    lstCompare->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    lstCompare->header()->setSectionResizeMode(StateColumn, QHeaderView::ResizeToContents);
    lstCompare->header()->setStretchLastSection(false);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #b02020"));
    lblProblem->hide();

    viewTexts = new SideBySideView(this);
    viewTexts->setObjectName(QStringLiteral("viewTexts"));

    splCompare = new QSplitter(Qt::Vertical, this);
    splCompare->setObjectName(QStringLiteral("splCompare"));
    splCompare->addWidget(lstCompare);
    splCompare->addWidget(viewTexts);
    splCompare->setStretchFactor(0, 1);
    splCompare->setStretchFactor(1, 3);
    splCompare->setChildrenCollapsible(false);

    btnDeploy = makeButton(this, "btnDeploy", tr("&Deploy to database"));
    btnDeploy->setToolTip(tr("Create the folder's version of the chosen procedures on the server"));
    btnWriteBack = makeButton(this, "btnWriteBack", tr("&Write to folder"));
    btnWriteBack->setToolTip(tr("Write the database's version of the chosen procedures into the folder"));
    btnCompareAgain = makeButton(this, "btnCompareAgain", tr("Compare &again"));
    btnClose = makeButton(this, "btnClose", tr("Close"));
    btnClose->setDefault(true);

    connect(btnDeploy, &QPushButton::clicked, this, [this] { ui::guarded([this] { btnDeployClick(); }); });
    connect(btnWriteBack, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { btnWriteBackClick(); }); });
    connect(btnCompareAgain, &QPushButton::clicked, this, [this] { ui::guarded([this] { compare(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(chkOnlyDifferences, &QCheckBox::toggled, this, [this] { applyFilter(); });
    connect(lstCompare, &QTreeWidget::currentItemChanged, this,
            [this] { ui::guarded([this] { showCurrent(); }); });
    connect(lstCompare, &QTreeWidget::itemChanged, this, [this] { updateButtons(); });

    auto* top = new QHBoxLayout;
    top->addWidget(lblFolder, 1);
    top->addWidget(chkOnlyDifferences);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnDeploy);
    buttons->addWidget(btnWriteBack);
    buttons->addStretch();
    buttons->addWidget(btnCompareAgain);
    buttons->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splCompare, 1);
    layout->addWidget(lblProblem);
    layout->addLayout(buttons);
    updateButtons();
}

void TfrmCompareFolder::compare()
{
    std::vector<data::FolderEntry> entries = data::compareWithFolder(m_engine, m_folder.toStdString());
    const QString current = lstCompare->currentItem() ? lstCompare->currentItem()->text(NameColumn) : QString();
    m_entries = std::move(entries);
    {
        const QSignalBlocker blocker(lstCompare);
        lstCompare->clear();
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            auto* item = new QTreeWidgetItem(lstCompare);
            item->setText(NameColumn, shownName(m_entries[i]));
            item->setText(StateColumn, QString::fromStdString(data::stateText(m_entries[i].state)));
            if (m_entries[i].state != data::FolderState::Same)
                item->setForeground(StateColumn, stateColour(m_entries[i].state));
            item->setData(NameColumn, kEntryRole, static_cast<qulonglong>(i));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(NameColumn, Qt::Unchecked);
        }
    }
    applyFilter();
    QTreeWidgetItem* keep = nullptr;
    for (int i = 0; i < lstCompare->topLevelItemCount() && !current.isEmpty(); ++i)
        if (lstCompare->topLevelItem(i)->text(NameColumn) == current && !lstCompare->topLevelItem(i)->isHidden())
            keep = lstCompare->topLevelItem(i);
    // At first (or when the current one is gone) the first that is not the
    // same is shown.
    for (int i = 0; i < lstCompare->topLevelItemCount() && !keep; ++i) {
        QTreeWidgetItem* item = lstCompare->topLevelItem(i);
        if (!item->isHidden() && entryOf(item).state != data::FolderState::Same)
            keep = item;
    }
    lstCompare->setCurrentItem(keep);
    showCurrent();
    updateButtons();
}

void TfrmCompareFolder::applyFilter()
{
    const bool onlyDifferences = chkOnlyDifferences->isChecked();
    for (int i = 0; i < lstCompare->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lstCompare->topLevelItem(i);
        item->setHidden(onlyDifferences && entryOf(item).state == data::FolderState::Same);
    }
    updateButtons();
}

void TfrmCompareFolder::showCurrent()
{
    QTreeWidgetItem* item = lstCompare->currentItem();
    if (!item || item->isHidden()) {
        viewTexts->clearTexts();
        lblProblem->hide();
        return;
    }
    const data::FolderEntry& entry = entryOf(item);
    try {
        viewTexts->setTexts(fileText(entry, entry.database), fileText(entry, entry.folder));
        lblProblem->hide();
    } catch (const std::exception& failure) {
        // One text that cannot be shown (a file with a GO line in it) does
        // not stop the comparison of the others.
        viewTexts->clearTexts();
        lblProblem->setText(ui::messageOf(failure));
        lblProblem->show();
    }
}

const data::FolderEntry& TfrmCompareFolder::entryOf(const QTreeWidgetItem* item) const
{
    return m_entries.at(static_cast<std::size_t>(item->data(NameColumn, kEntryRole).toULongLong()));
}

std::vector<data::FolderEntry> TfrmCompareFolder::chosen() const
{
    // A hidden entry is not chosen: the user cannot see its box.
    std::vector<data::FolderEntry> entries;
    for (int i = 0; i < lstCompare->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = lstCompare->topLevelItem(i);
        if (!item->isHidden() && item->checkState(NameColumn) == Qt::Checked)
            entries.push_back(entryOf(item));
    }
    return entries;
}

QStringList TfrmCompareFolder::chosenNames() const
{
    QStringList names;
    for (const data::FolderEntry& entry : chosen())
        names << shownName(entry);
    return names;
}

void TfrmCompareFolder::updateButtons()
{
    const bool any = !chosen().empty();
    btnDeploy->setEnabled(any);
    btnWriteBack->setEnabled(any);
}

void TfrmCompareFolder::btnDeployClick()
{
    const std::vector<data::FolderEntry> entries = chosen();
    if (entries.empty())
        return;
    const QStringList names = chosenNames();
    // Replacing the server's procedures cannot be taken back: Enter answers No.
    if (!ui::confirm(question(tr("Create the folder's version of these procedures on the server, "
                                 "replacing the database's?"),
                              names),
                     ui::DefaultAnswer::No))
        return;
    data::deployFromFolder(m_engine, entries);
    m_deployed << names;
    compare();
    ui::information(names.size() == 1
                        ? tr("1 procedure was deployed to the database.")
                        : tr("%1 procedures were deployed to the database.").arg(names.size()));
}

void TfrmCompareFolder::btnWriteBackClick()
{
    const std::vector<data::FolderEntry> entries = chosen();
    if (entries.empty())
        return;
    const QStringList names = chosenNames();
    if (!ui::confirm(question(tr("Write the database's version of these procedures into the folder, "
                                 "replacing their files?"),
                              names),
                     ui::DefaultAnswer::No))
        return;
    data::writeBackToFolder(m_folder.toStdString(), entries);
    compare();
    const QString where = QDir::toNativeSeparators(m_folder);
    ui::information(names.size() == 1 ? tr("1 procedure file was written to %1.").arg(where)
                                      : tr("%1 procedure files were written to %2.").arg(names.size()).arg(where));
}

QStringList showCompareFolder(data::Engine& engine, const QString& folder, QWidget* parent)
{
    TfrmCompareFolder dialog(engine, folder, parent);
    dialog.compare();
    ui::exec(dialog);
    return dialog.deployed();
}

} // namespace varnett
