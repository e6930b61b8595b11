#include "app/RecentProcedures.h"

#include "ui/Modal.h"

#include <QAction>
#include <QMenu>

namespace varnett {

namespace {
constexpr int kNameRole = Qt::UserRole + 1;
}

RecentProcedures::RecentProcedures(QMenu* fileMenu, std::function<void(const QString&)> open,
                                   QObject* parent)
    : QObject(parent)
    , m_menu(fileMenu)
    , m_open(std::move(open))
{
}

void RecentProcedures::add(const QString& name)
{
    // "&" in a caption would become an accelerator mark: double it so the
    // entry shows the name as it is; the name itself travels unchanged.
    QString caption = name;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto* entry = new QAction(caption, m_menu);
    entry->setObjectName(QStringLiteral("mniRecent"));
    entry->setData(name);
    connect(entry, &QAction::triggered, this, [this, name] { ui::guarded([&] { m_open(name); }); });

    m_menu->insertAction(m_entries.isEmpty() ? nullptr : m_entries.constFirst(), entry);
    m_entries.prepend(entry);
    while (m_entries.size() > kMaxEntries) {
        QAction* oldest = m_entries.takeLast();
        m_menu->removeAction(oldest);
        oldest->deleteLater();
    }
}

void RecentProcedures::remove(const QString& name)
{
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        QAction* entry = m_entries[i];
        if (entry->data().toString().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        m_entries.removeAt(i);
        m_menu->removeAction(entry);
        entry->deleteLater();
    }
}

QStringList RecentProcedures::names() const
{
    QStringList result;
    for (const QAction* entry : m_entries)
        result << entry->data().toString();
    return result;
}

} // namespace varnett
