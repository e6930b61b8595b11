#include "dialogs/dlgDeleteProc.h"

#include "data/dmMain.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureFilter.h"
#include "ui/BusyOperation.h"
#include "ui/Modal.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnett {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QListWidget* makeList(QWidget* parent, const char* name)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(false);
    list->setMinimumWidth(220);
    return list;
}

} // namespace

TfrmDeleteProc::TfrmDeleteProc(data::TDataMain& dataMain, QWidget* parent)
    : QDialog(parent)
    , m_dataMain(dataMain)
{
    setObjectName(QStringLiteral("frmDeleteProc"));
    setWindowTitle(tr("Delete procedure"));
    resize(640, 420);

    SrcLabel = new QLabel(tr("Source List:"), this);
    SrcLabel->setObjectName(QStringLiteral("SrcLabel"));
    DstLabel = new QLabel(tr("Destination List:"), this);
    DstLabel->setObjectName(QStringLiteral("DstLabel"));
    SrcList = makeList(this, "SrcList");
    DstList = makeList(this, "DstList");
    SrcLabel->setBuddy(SrcList);
    DstLabel->setBuddy(DstList);
    SrcList->viewport()->installEventFilter(this);

    IncludeBtn = makeButton(this, "IncludeBtn", tr(">"));
    IncAllBtn = makeButton(this, "IncAllBtn", tr(">>"));
    ExcludeBtn = makeButton(this, "ExcludeBtn", tr("<"));
    ExAllBtn = makeButton(this, "ExAllBtn", tr("<<"));
    ExcludeBtn->setEnabled(false);
    ExAllBtn->setEnabled(false);
    OKBtn = makeButton(this, "OKBtn", tr("Delete All"));
    CancelBtn = makeButton(this, "CancelBtn", tr("Cancel"));
    CancelBtn->setDefault(true);

    connect(IncludeBtn, &QPushButton::clicked, this, [this] { IncludeBtnClick(); });
    connect(IncAllBtn, &QPushButton::clicked, this, [this] { IncAllBtnClick(); });
    connect(ExcludeBtn, &QPushButton::clicked, this, [this] { ExcludeBtnClick(); });
    connect(ExAllBtn, &QPushButton::clicked, this, [this] { ExcAllBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* button : {IncludeBtn, IncAllBtn, ExcludeBtn, ExAllBtn})
        moves->addWidget(button);
    moves->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(SrcLabel, 0, 0);
    lists->addWidget(DstLabel, 0, 2);
    lists->addWidget(SrcList, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(DstList, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
}

void TfrmDeleteProc::fill()
{
    for (const sqltext::ProcedureRef& procedure : m_dataMain.listProcedures())
        append(SrcList, QString::fromStdString(sqltext::displayName(procedure.object)));
}

// The source list keeps its entries sorted without regard to letter case
// (an entry goes after those that compare equal); the destination list
// keeps them in the order they arrive.
void TfrmDeleteProc::append(QListWidget* list, const QString& text)
{
    if (list != SrcList) {
        list->addItem(text);
        return;
    }
    int row = list->count();
    for (int i = 0; i < list->count(); ++i) {
        if (QString::compare(list->item(i)->text(), text, Qt::CaseInsensitive) > 0) {
            row = i;
            break;
        }
    }
    list->insertItem(row, text);
}

void TfrmDeleteProc::moveSelected(QListWidget* from, QListWidget* to)
{
    for (int i = from->count() - 1; i >= 0; --i) {
        if (!from->item(i)->isSelected())
            continue;
        append(to, from->item(i)->text());
        delete from->takeItem(i);
    }
}

void TfrmDeleteProc::moveSelectedAndReselect(QListWidget* from, QListWidget* to)
{
    std::optional<int> first;
    for (int i = 0; i < from->count() && !first; ++i)
        if (from->item(i)->isSelected())
            first = i;
    moveSelected(from, to);
    reselect(from, first);
}

void TfrmDeleteProc::moveAllAndReselect(QListWidget* from, QListWidget* to)
{
    for (int i = 0; i < from->count(); ++i)
        append(to, from->item(i)->text());
    from->clear();
    reselect(from, 0);
}

void TfrmDeleteProc::reselect(QListWidget* list, std::optional<int> position)
{
    list->setFocus();
    list->clearSelection();
    if (list->count() > 0) {
        const int row = std::min(position.value_or(0), list->count() - 1);
        list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    updateButtons();
}

void TfrmDeleteProc::updateButtons()
{
    const bool source = SrcList->count() > 0;
    const bool destination = DstList->count() > 0;
    IncludeBtn->setEnabled(source);
    IncAllBtn->setEnabled(source);
    ExcludeBtn->setEnabled(destination);
    ExAllBtn->setEnabled(destination);
}

void TfrmDeleteProc::IncludeBtnClick()
{
    moveSelectedAndReselect(SrcList, DstList);
}

void TfrmDeleteProc::IncAllBtnClick()
{
    moveAllAndReselect(SrcList, DstList);
}

void TfrmDeleteProc::ExcludeBtnClick()
{
    moveSelectedAndReselect(DstList, SrcList);
}

void TfrmDeleteProc::ExcAllBtnClick()
{
    moveAllAndReselect(DstList, SrcList);
}

QString dropQuestion(const QStringList& names)
{
    constexpr int kNamed = 10;
    QStringList shown;
    for (int i = 0; i < names.size() && i < kNamed; ++i)
        shown << QStringLiteral("    ") + names[i];
    if (names.size() > kNamed)
        shown << TfrmDeleteProc::tr("    and %n more", nullptr, static_cast<int>(names.size() - kNamed));
    return TfrmDeleteProc::tr("Are you sure you want to delete these procedures?\n%1")
        .arg(shown.join(QLatin1Char('\n')));
}

void TfrmDeleteProc::OKBtnClick()
{
    QStringList names;
    for (int i = 0; i < DstList->count(); ++i)
        names << DstList->item(i)->text();
    // Dropping cannot be taken back: Enter answers No.
    const QString question = names.isEmpty()
        ? tr("Are you sure you want to delete the procedure(s)")
        : dropQuestion(names);
    if (!ui::confirm(question, ui::DefaultAnswer::No))
        return;
    try {
        // The entries show the catalog's names in their display form.
        std::vector<sqltext::ObjectName> names;
        names.reserve(static_cast<std::size_t>(DstList->count()));
        for (int i = 0; i < DstList->count(); ++i)
            names.push_back(sqltext::objectNameOrWhole(DstList->item(i)->text().toStdString()));
        m_dataMain.executeLines(sqltext::dropProcedureLines(names));
        QStringList dropped;
        for (int i = 0; i < DstList->count(); ++i)
            dropped << DstList->item(i)->text();
        DstList->clear();
        m_dropped << dropped;
        ui::information(tr("Procedures dropped: %1").arg(dropped.join(QStringLiteral(", "))));
    } catch (const std::exception& failure) {
        ui::error(tr("Can not delete procedure(s). Error message: ")
                  + ui::messageOf(failure));
    }
    updateButtons();
}

bool TfrmDeleteProc::eventFilter(QObject* watched, QEvent* event)
{
    // A double click anywhere in the source list works as ">".
    if (watched == SrcList->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        IncludeBtnClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QStringList showDeleteProcedures(data::TDataMain& dataMain, QWidget* parent)
{
    TfrmDeleteProc dialog(dataMain, parent);
    {
        ui::BusyOperation busy({}, false);
        dialog.fill();
    }
    ui::exec(dialog);
    return dialog.dropped();
}

} // namespace varnett
