#include "Fixture.h"

#include "app/SchemaLists.h"
#include "app/dlgMain.h"
#include "dialogs/dlgConnEdit.h"
#include "ui/FindReplace.h"
#include "ui/SqlEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <set>

using namespace varnett;
using namespace varnett::testing;

namespace {

class EditorWindowTest : public MainWindowTest {
protected:
    ui::SqlEditor* page(int index) { return window->editor(index); }

    void showWindow()
    {
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }

    QStringList selectedCaptions(QTreeWidget* list)
    {
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->isSelected())
                names << list->topLevelItem(i)->text(0);
        return names;
    }
};

// Types text into a widget key by key, as the keyboard would.
void type(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}

void key(QWidget* target, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
}

} // namespace

TEST_F(EditorWindowTest, SortingKeepsTheSelectionAndBuildUsesIt)
{
    pickTableAndFields(*window, "Orders", {"OrderID", "Amount"});
    auto* fields = child<QTreeWidget>(window.get(), "lvFields");
    auto* tables = child<QTreeWidget>(window.get(), "lvTables");
    emit fields->header()->sectionClicked(1); // by data type: [datetime], [decimal], [int], [varchar]
    EXPECT_EQ(selectedCaptions(fields), QStringList({"Amount", "OrderID"}));
    emit fields->header()->sectionClicked(0);
    EXPECT_EQ(selectedCaptions(fields), QStringList({"Amount", "OrderID"}));
    EXPECT_EQ(fields->topLevelItem(0)->text(0), QStringLiteral("Amount"));
    emit tables->header()->sectionClicked(0);
    EXPECT_EQ(window->schema().selectedTable(), QStringLiteral("Orders"));

    responder.answerDialog(acceptProposedName());
    trigger(*window, "mniBuild");
    const QString text = page(0)->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("@pAmount [decimal](19,4)")));
    EXPECT_FALSE(text.contains(QStringLiteral("@pOrderID"))) << "the identity is the server's to fill";
    EXPECT_FALSE(text.contains(QStringLiteral("CustomerName")));
}

TEST_F(EditorWindowTest, ViewsHaveTheirOwnIcon)
{
    trigger(*window, "Loadtablelist1");
    auto* tables = child<QTreeWidget>(window.get(), "lvTables");
    ASSERT_EQ(tables->topLevelItemCount(), 3);
    auto image = [tables](int row) {
        return tables->topLevelItem(row)->icon(0).pixmap(16, 16).toImage();
    };
    EXPECT_EQ(tables->topLevelItem(2)->text(0), QStringLiteral("BigOrders"));
    EXPECT_EQ(image(0), image(1)) << "two tables";
    EXPECT_NE(image(0), image(2)) << "a table and a view";
}

TEST_F(EditorWindowTest, MenusHaveMnemonicsAndAltNeverTypes)
{
    std::set<QChar> bar;
    for (QAction* menuAction : window->menuBar()->actions()) {
        const QString title = menuAction->text();
        const qsizetype mark = title.indexOf(QLatin1Char('&'));
        ASSERT_GE(mark, 0) << title.toStdString();
        EXPECT_TRUE(bar.insert(title.at(mark + 1).toUpper()).second) << title.toStdString();
        std::set<QChar> letters;
        for (QAction* entry : menuAction->menu()->actions()) {
            if (entry->isSeparator() || !entry->isVisible())
                continue;
            const qsizetype at = entry->text().indexOf(QLatin1Char('&'));
            ASSERT_GE(at, 0) << entry->text().toStdString();
            EXPECT_TRUE(letters.insert(entry->text().at(at + 1).toUpper()).second)
                << entry->text().toStdString();
        }
    }
    EXPECT_EQ(bar.size(), 6u);

    showWindow();
    page(0)->setPlainText(QStringLiteral("abc"));
    page(0)->setFocus();
    key(page(0), Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    EXPECT_EQ(page(0)->toPlainText(), QStringLiteral("abc"));
    // Alt+F opens the File menu.
    auto* file = child<QMenu>(window.get(), "mnuFile");
    QTimer::singleShot(0, file, [file] { file->close(); });
    bool opened = false;
    QObject::connect(file, &QMenu::aboutToShow, file, [&opened] { opened = true; });
    QTest::keyClick(page(0), Qt::Key_F, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(opened);
    EXPECT_EQ(page(0)->toPlainText(), QStringLiteral("abc"));
}

TEST_F(EditorWindowTest, CtrlAInAListSelectsItsEntries)
{
    showWindow();
    pickTableAndFields(*window, "Orders", {"OrderID"});
    page(0)->setPlainText(QStringLiteral("text"));
    auto* fields = child<QTreeWidget>(window.get(), "lvFields");
    fields->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), fields);
    trigger(*window, "mniSelectAll");
    EXPECT_EQ(selectedCaptions(fields).size(), 4);
    EXPECT_FALSE(page(0)->hasSelectedText());

    page(0)->setFocus();
    trigger(*window, "mniSelectAll");
    EXPECT_EQ(page(0)->selectedText(), QStringLiteral("text"));
}

TEST_F(EditorWindowTest, FindReplaceAndGoToLine)
{
    page(0)->setPlainText(QStringLiteral("select a from t\nSELECT b\nselected"));
    ui::TfrmFind& find = window->findBox();
    find.edtFind->setText(QStringLiteral("select"));
    find.chkWholeWord->setChecked(true);

    // A search that goes on from the other end says so.
    struct Step {
        const char* command;
        int line;
        const char* note;
    } steps[] = {{"mniFindNext", 0, ""},
                 {"mniFindNext", 1, ""},
                 {"mniFindNext", 0, "Passed the end of the page; found from the start."},
                 {"mniFindPrevious", 1, "Passed the start of the page; found from the end."}};
    for (const Step& step : steps) {
        trigger(*window, step.command);
        int line = -1, from = -1, lineTo = -1, to = -1;
        page(0)->getSelection(&line, &from, &lineTo, &to);
        EXPECT_EQ(line, step.line) << step.command;
        EXPECT_EQ(to - from, 6);
        EXPECT_EQ(child<QLabel>(window.get(), "sbMainNote")->text(), QString::fromLatin1(step.note))
            << step.command << " to line " << step.line;
    }

    // The open box moves off the match it finds.
    window->show();
    find.open(false);
    page(0)->setCursorPosition(0, 0);
    const QPoint caret = page(0)->caretGlobalPosition();
    find.move(caret - QPoint(10, find.height() / 2));
    ASSERT_TRUE(find.frameGeometry().contains(caret));
    find.findNext(true);
    EXPECT_FALSE(find.frameGeometry().contains(page(0)->caretGlobalPosition()));
    find.close();
    find.chkMatchCase->setChecked(true);
    find.edtFind->setText(QStringLiteral("SELECT"));
    page(0)->setCursorPosition(1, 3);
    trigger(*window, "mniFindNext");
    int line = -1, index = -1;
    page(0)->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 1) << "the only match in this case, found by wrapping";

    find.chkMatchCase->setChecked(false);
    find.edtFind->setText(QStringLiteral("select"));
    find.edtReplace->setText(QStringLiteral("pick"));
    EXPECT_EQ(find.replaceAll(), 2);
    EXPECT_EQ(page(0)->toPlainText(), QStringLiteral("pick a from t\npick b\nselected"));
    trigger(*window, "mniUndo");
    EXPECT_EQ(page(0)->toPlainText(), QStringLiteral("select a from t\nSELECT b\nselected"));

    find.edtFind->setText(QStringLiteral("nothing"));
    trigger(*window, "mniFindNext");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text, QStringLiteral("\"nothing\" was not found."));

    responder.answerDialog([](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmGoToLine"));
        auto* number = child<QSpinBox>(&dialog, "edtLine");
        EXPECT_EQ(number->maximum(), 3);
        number->setValue(3);
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniGoToLine");
    page(0)->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 2);
    EXPECT_EQ(index, 0);
}

TEST_F(EditorWindowTest, TheSnippetListOpensAtTheCaretAndNarrowsAsTheUserTypes)
{
    showWindow();
    window->resize(900, 600);
    page(0)->setPlainText(QStringLiteral("-- start\n"));
    page(0)->setCursorPosition(1, 0);
    page(0)->setFocus();
    const QPoint caret = page(0)->caretGlobalPosition();
    QPoint shownAt;
    QStringList visible;
    QString typedLabel;
    responder.answerDialog([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("frmOperator"));
        dialog.show();
        shownAt = dialog.pos();
        auto* box = child<QListWidget>(&dialog, "lboxCommand");
        type(box, QStringLiteral("fetx"));
        key(box, Qt::Key_Backspace);
        type(box, QStringLiteral("ch n"));
        for (int i = 0; i < box->count(); ++i)
            if (!box->item(i)->isHidden())
                visible << box->item(i)->text();
        typedLabel = child<QLabel>(&dialog, "lblFilter")->text();
        key(box, Qt::Key_Return);
        return dialog.result();
    });
    // Ctrl+Space in the editor opens the snippet list.
    QTest::keyClick(page(0), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(responder.everythingAnswered());
    EXPECT_EQ(shownAt, caret);
    EXPECT_EQ(visible, QStringList({"FETCH NEXT FROM {cursor name} INTO {@variable, @var...}"}));
    EXPECT_EQ(typedLabel, QStringLiteral("Typed: fetch n"));
    EXPECT_EQ(page(0)->toPlainText(),
              QStringLiteral("-- start\nFETCH NEXT FROM {cursor name} INTO {@variable, @var...}"));
}

TEST(ConnectionDialogTest, ShowsTheCurrentStringWithThePasswordMasked)
{
    ScriptedResponder responder;
    struct Row {
        const char* typed;    // null: the box is left as shown
        const char* expected; // the dialog's result
    } rows[] = {
        {nullptr, "Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=s3cr;t"},
        {"Provider=SQLOLEDB;Data Source=other;User ID=sa;Password=********",
         "Provider=SQLOLEDB;Data Source=other;User ID=sa;Password=s3cr;t"},
        {"Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=new",
         "Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=new"},
    };
    for (const Row& row : rows) {
        TConnEditForm dialog;
        dialog.showCurrent(QStringLiteral("Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=\"s3cr;t\""));
        auto* box = child<QLineEdit>(&dialog, "ConnectionString");
        EXPECT_EQ(box->text(),
                  QStringLiteral("Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=********"));
        if (row.typed)
            box->setText(QString::fromLatin1(row.typed));
        dialog.accept();
        QString expected = QString::fromLatin1(row.expected);
        expected.replace(QStringLiteral("s3cr;t"), QStringLiteral("\"s3cr;t\""));
        EXPECT_EQ(dialog.connectionString(), expected) << (row.typed ? row.typed : "(as shown)");
    }
}
