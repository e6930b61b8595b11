#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace varnett {

// The recent procedures at the end of the File menu: at most five entries
// after the menu's own items, newest first, duplicates allowed.
class RecentProcedures : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 5;

    RecentProcedures(QMenu* fileMenu, std::function<void(const QString&)> open,
                     QObject* parent = nullptr);

    // Adds an entry at the top; the oldest goes when there are more than five.
    void add(const QString& name);
    // Removes every entry of the procedure (names compare without regard to
    // the case of letters, as the server compares them).
    void remove(const QString& name);
    // The entries' names, newest first.
    QStringList names() const;

private:
    QMenu* m_menu;
    std::function<void(const QString&)> m_open;
    QList<QAction*> m_entries;      // newest first
};

} // namespace varnett
