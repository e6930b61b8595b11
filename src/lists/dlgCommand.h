#pragma once

#include "sqltext/InsertionLists.h"

#include <QDialog>
#include <QPoint>

#include <string>
#include <vector>

class QLabel;
class QListWidget;

namespace varnett {

namespace data { class TDataMain; }

// What the insertion lists read from the rest of the program: the rows of
// the field list in display order, and the data module for the procedure
// catalog.
struct InsertionContext {
    std::vector<sqltext::InsertionField> fields;
    data::TDataMain& dataMain;
};

// The base of the pop-up insertion lists (the context must outlive the
// form): a borderless modal list whose
// result text is the caller's initial text on entry and the chosen text on
// exit. Escape empties the result and closes; Enter or a double click
// composes the result from the selected items when the list has a current
// item, and closes in every case.
class TfrmCommand : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCommand(const InsertionContext& context, QWidget* parent = nullptr);

    QString resultText() const { return m_resultText; }
    void setResultText(const QString& text) { m_resultText = text; }

    sqltext::ListMode listMode() const { return m_listMode; }
    void setListMode(sqltext::ListMode mode) { m_listMode = mode; }

    // Opens the list with its top left corner at this screen point (kept
    // on the screen) rather than centred.
    void setAnchor(const QPoint& globalPosition) { m_anchor = globalPosition; m_hasAnchor = true; }
    // The text typed so far: the list shows only the items that contain it.
    QString filterText() const { return m_filter; }

    QListWidget* lboxCommand = nullptr;

protected:
    // Fills and prepares the list; runs every time the form is shown.
    // Overrides run this version first.
    virtual void Init();

    const InsertionContext& context() const { return m_context; }
    // Empties the list and offers the items, in order.
    void setItems(const std::vector<std::string>& items);
    void setMultipleSelection(bool multiple);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // Handles Enter and Escape for the form and the list box, and typing,
    // which narrows the list; false for any other key.
    bool FormKeyPress(QKeyEvent* event);
    void applyFilter();
    void lboxCommandDblClick();
    void chooseAndClose();
    bool hasCurrentItem() const;

    const InsertionContext& m_context;
    QString m_resultText;
    sqltext::ListMode m_listMode = sqltext::ListMode::Plain;
    QString m_filter;
    QLabel* m_filterLabel = nullptr;
    QPoint m_anchor;
    bool m_hasAnchor = false;
};

} // namespace varnett
