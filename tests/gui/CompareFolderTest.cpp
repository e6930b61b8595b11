// Exporting procedures to a scripts folder, and the dialog that compares the
// folder with the database, deploys and writes back.
#include "Fixture.h"

#include "data/dmMain.h"
#include "dialogs/SideBySideView.h"
#include "dialogs/dlgCompareFolder.h"
#include "support/Names.h"
#include "ui/SqlEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include <filesystem>

using namespace varnett;
using namespace varnett::testing;

namespace {

const std::string kHead = "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\n";

class CompareFolderTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        data::Engine& db = engine();
        db.executeBatch("CREATE SCHEMA [x]]y z]");
        db.executeBatch("CREATE PROCEDURE Plain AS\r\nSELECT 1\r\nSELECT 2\r\nSELECT 3\r\n");
        db.executeBatch("CREATE PROCEDURE [O'Brien] AS\nSELECT 'lf only'");
        db.executeBatch("CREATE PROCEDURE [x]]y z].[a.b c] AS\r\nSELECT '" + std::string(3000, 'w') + "'\r\n");
        db.executeBatch("SET QUOTED_IDENTIFIER OFF");
        db.executeBatch("CREATE PROCEDURE Quoted AS SELECT \"text\"");
        db.executeBatch("SET QUOTED_IDENTIFIER ON");
        folder = dir.file("scripts");
    }

    data::Engine& engine() { return window->dataMain().db().engine(); }

    // Exports through the menu into `folder`.
    void exportAll()
    {
        std::filesystem::create_directories(folder);
        responder.answerFolder(QString::fromStdString(folder));
        trigger(*window, "mniExportToFolder");
    }

    // The folder after the export moves on: Plain edited (a line changed, a
    // line added, CR LF become LF), a new file, O'Brien's file removed.
    void editFolder()
    {
        writeFile(folder + "/dbo.Plain.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\n"
                                             "CREATE PROCEDURE Plain AS\nSELECT 1\nSELECT 20\nSELECT 21\nSELECT 3\n\nGO\n");
        writeFile(folder + "/x]y z.New%2E1.sql", kHead + "CREATE PROCEDURE [x]]y z].[New.1] AS SELECT 9\r\nGO\r\n");
        std::filesystem::remove(folder + "/dbo.O'Brien.sql");
    }

    // The list's rows: "name\tstate", with "[x] " before a chosen one and
    // hidden rows left out.
    static QStringList rows(QTreeWidget* list)
    {
        QStringList result;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            if (item->isHidden())
                continue;
            result << (item->checkState(0) == Qt::Checked ? QStringLiteral("[x] ") : QString())
                    + item->text(0) + QLatin1Char('\t') + item->text(1);
        }
        return result;
    }

    static std::string joined(const QStringList& lines) { return lines.join(QLatin1Char('|')).toStdString(); }

    static void choose(TfrmCompareFolder& dialog, const QString& name, bool current = false)
    {
        const auto found = dialog.lstCompare->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        found.front()->setCheckState(0, Qt::Checked);
        if (current)
            dialog.lstCompare->setCurrentItem(found.front());
    }

    // Each line of an editor with its marker: "=" none, "-" removed, "+"
    // added, "*" changed, "." filler.
    static QStringList marked(ui::SqlEditor* editor)
    {
        QStringList lines;
        for (int line = 0; line < editor->lines(); ++line) {
            const unsigned mask = editor->markersAtLine(line);
            const char* kind = mask & (1u << SideBySideView::RemovedMarker) ? "-"
                : mask & (1u << SideBySideView::AddedMarker)                 ? "+"
                : mask & (1u << SideBySideView::ChangedMarker)               ? "*"
                : mask & (1u << SideBySideView::FillerMarker)                ? "."
                                                                             : "=";
            lines << QString::fromLatin1(kind) + editor->text(line).remove(QLatin1Char('\n'));
        }
        return lines;
    }

    // The text of a line's margin.
    static QString marginText(ui::SqlEditor* editor, int line)
    {
        const auto at = static_cast<unsigned long>(line);
        const long size = editor->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, at, static_cast<void*>(nullptr));
        QByteArray bytes(static_cast<qsizetype>(size), '\0');
        editor->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, at, static_cast<void*>(bytes.data()));
        return QString::fromUtf8(bytes);
    }

    std::string folder;
};

} // namespace

TEST_F(CompareFolderTest, ExportWritesEveryProcedureAndAsksBeforeReplacingEditedFiles)
{
    responder.answerFolder(std::nullopt);   // Cancel
    trigger(*window, "mniExportToFolder");
    EXPECT_FALSE(std::filesystem::exists(folder));

    exportAll();
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("4 procedure files were written to %1.").arg(QString::fromStdString(folder)));
    EXPECT_EQ(readFile(folder + "/dbo.Plain.sql"),
              kHead + "CREATE PROCEDURE Plain AS\r\nSELECT 1\r\nSELECT 2\r\nSELECT 3\r\n\r\nGO\r\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/x]y z.a%2Eb c.sql"));
    EXPECT_EQ(readFile(folder + "/dbo.Quoted.sql").substr(0, 26), "SET QUOTED_IDENTIFIER OFF\r");
    // The folder dialog starts where the last one was answered.
    EXPECT_EQ(responder.fileRequests.back().objectName, QStringLiteral("sdFolder"));

    // An edited file is kept unless the user says to replace it.
    const std::string edited = kHead + "CREATE PROCEDURE Plain AS SELECT 'mine'\r\nGO\r\n";
    writeFile(folder + "/dbo.Plain.sql", edited);
    responder.answerConfirmation(false);
    exportAll();
    EXPECT_EQ(readFile(folder + "/dbo.Plain.sql"), edited);
    EXPECT_EQ(responder.fileRequests.back().directory, QString::fromStdString(folder));
    responder.answerConfirmation(true);
    exportAll();
    EXPECT_NE(readFile(folder + "/dbo.Plain.sql"), edited);
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(CompareFolderTest, TheListShowsEveryStateAndTheTextsFaceEachOther)
{
    exportAll();
    editFolder();
    TfrmCompareFolder dialog(engine(), QString::fromStdString(folder));
    dialog.compare();
    EXPECT_EQ(dialog.objectName(), QStringLiteral("frmCompareFolder"));
    // The first one that is not the same shows at once.
    ASSERT_NE(dialog.lstCompare->currentItem(), nullptr);
    EXPECT_EQ(dialog.lstCompare->currentItem()->text(0), QStringLiteral("O'Brien"));
    EXPECT_EQ(rows(dialog.lstCompare),
              QStringList({"O'Brien\tonly in the database", "Plain\tdifferent", "Quoted\tsame",
                           "x]y z.[a.b c]\tsame", "x]y z.[New.1]\tonly in the folder"}));
    dialog.chkOnlyDifferences->setChecked(true);
    EXPECT_EQ(rows(dialog.lstCompare),
              QStringList({"O'Brien\tonly in the database", "Plain\tdifferent",
                           "x]y z.[New.1]\tonly in the folder"}));
    dialog.chkOnlyDifferences->setChecked(false);

    // Equal lines face each other; the folder's two lines for one get a
    // filler on the left; a line end alone makes a line changed.
    choose(dialog, "Plain", true);
    auto* left = dialog.viewTexts->edtDatabase;
    auto* right = dialog.viewTexts->edtFolder;
    // The folder's lines end in LF, the database's in CR LF: those lines are
    // changed, yet still face each other.
    EXPECT_EQ(joined(marked(left)), "=SET QUOTED_IDENTIFIER ON|=SET ANSI_NULLS ON|=GO|*CREATE PROCEDURE Plain AS|"
                                    "*SELECT 1|*SELECT 2|.|*SELECT 3|=|=GO");
    EXPECT_EQ(joined(marked(right)), "=SET QUOTED_IDENTIFIER ON|=SET ANSI_NULLS ON|=GO|*CREATE PROCEDURE Plain AS|"
                                     "*SELECT 1|*SELECT 20|+SELECT 21|*SELECT 3|=|=GO");
    EXPECT_TRUE(left->isReadOnly());
    // The margin numbers each text's own lines: none for the filler.
    EXPECT_EQ(marginText(left, 7), QStringLiteral("7"));
    EXPECT_EQ(marginText(left, 6), QString());
    EXPECT_EQ(marginText(right, 7), QStringLiteral("8"));

    // Only on one side: all of it marked there, fillers facing it.
    choose(dialog, "O'Brien", true);
    EXPECT_EQ(joined(marked(left).mid(3, 2)), "-CREATE PROCEDURE [O'Brien] AS|-SELECT 'lf only'");
    EXPECT_EQ(joined(marked(right).mid(3, 2)), ".|.");
    EXPECT_EQ(left->lines(), right->lines());
    choose(dialog, "x]y z.[New.1]", true);
    EXPECT_EQ(marked(right).value(3), QStringLiteral("+CREATE PROCEDURE [x]]y z].[New.1] AS SELECT 9"));
    EXPECT_EQ(marked(left).value(3), QStringLiteral("."));
    // The long line is there whole.
    dialog.lstCompare->setCurrentItem(dialog.lstCompare->topLevelItem(3));
    EXPECT_EQ(marked(left).value(4), marked(right).value(4));
    EXPECT_EQ(marked(left).value(4).size(), 3000 + 10);
}

TEST_F(CompareFolderTest, TheTwoTextsScrollTogether)
{
    std::string text = "CREATE PROCEDURE Plain AS\r\n";
    for (int i = 0; i < 300; ++i)
        text += "SELECT " + std::to_string(i) + " -- " + std::string(static_cast<std::size_t>(i), 'x') + "\r\n";
    exportAll();
    // The folder's version lacks the first forty lines.
    std::string shorter = "CREATE PROCEDURE Plain AS\r\n";
    for (int i = 40; i < 300; ++i)
        shorter += "SELECT " + std::to_string(i) + " -- " + std::string(static_cast<std::size_t>(i), 'x') + "\r\n";
    engine().executeBatch("DROP PROCEDURE Plain");
    engine().executeBatch(text);
    writeFile(folder + "/dbo.Plain.sql", kHead + shorter + "GO\r\n");
    TfrmCompareFolder dialog(engine(), QString::fromStdString(folder));
    dialog.compare();
    dialog.show();
    choose(dialog, "Plain", true);
    auto* left = dialog.viewTexts->edtDatabase;
    auto* right = dialog.viewTexts->edtFolder;
    ASSERT_EQ(left->lines(), right->lines());
    // Scrolled by the editor itself (as the caret keys do), the other
    // follows when the view is updated.
    QApplication::processEvents();
    left->setFirstVisibleLine(120);
    QApplication::processEvents();
    EXPECT_EQ(right->firstVisibleLine(), 120);
    // The lines that face each other are equal past the filler.
    EXPECT_EQ(left->text(130), right->text(130));
    right->verticalScrollBar()->setValue(20);
    EXPECT_EQ(left->firstVisibleLine(), 20);
    // By a scroll bar (the wheel, a drag), at once; the two scroll as far
    // as the longest line of either.
    EXPECT_EQ(left->horizontalScrollBar()->maximum(), right->horizontalScrollBar()->maximum());
    right->horizontalScrollBar()->setValue(200);
    EXPECT_EQ(left->horizontalScrollBar()->value(), 200);
    // The caret taken to the end of a long line scrolls the editor itself.
    left->setCursorPosition(250, 0);
    left->SendScintilla(QsciScintillaBase::SCI_LINEEND);
    QApplication::processEvents();
    left->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    QApplication::processEvents();
    const long offset = left->SendScintilla(QsciScintillaBase::SCI_GETXOFFSET);
    EXPECT_GT(offset, 200);
    EXPECT_EQ(right->SendScintilla(QsciScintillaBase::SCI_GETXOFFSET), offset);
    EXPECT_EQ(right->firstVisibleLine(), left->firstVisibleLine());
}

TEST_F(CompareFolderTest, DeployAndWriteBackRoundTripAndAChangedServerIsRefused)
{
    exportAll();
    editFolder();
    TfrmCompareFolder dialog(engine(), QString::fromStdString(folder));
    dialog.compare();
    EXPECT_FALSE(dialog.btnDeploy->isEnabled());

    // Someone changes Plain on the server after the comparison.
    choose(dialog, "Plain");
    choose(dialog, "x]y z.[New.1]");
    EXPECT_TRUE(dialog.btnDeploy->isEnabled());
    engine().executeBatch("DROP PROCEDURE Plain");
    engine().executeBatch("CREATE PROCEDURE Plain AS SELECT 'someone else'");
    responder.answerConfirmation(true);
    dialog.btnDeploy->click();
    EXPECT_EQ(responder.messages.back().kind, ui::MessageKind::General);
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The procedure 'Plain' changed on the server since the comparison: "
                             "compare its text again first."));
    // Nothing changed and nothing was forgotten: the list and the choice stay.
    EXPECT_EQ(engine().procedureText("Plain"_name), std::vector<std::string>{"CREATE PROCEDURE Plain AS SELECT 'someone else'"});
    EXPECT_EQ(rows(dialog.lstCompare).mid(1, 1), QStringList({"[x] Plain\tdifferent"}));
    EXPECT_TRUE(dialog.deployed().isEmpty());

    // No at the question deploys nothing.
    dialog.btnCompareAgain->click();
    choose(dialog, "Plain");
    choose(dialog, "x]y z.[New.1]");
    responder.answerConfirmation(false);
    dialog.btnDeploy->click();
    EXPECT_EQ(rows(dialog.lstCompare).last(), QStringLiteral("[x] x]y z.[New.1]\tonly in the folder"));

    responder.answerConfirmation(true);
    dialog.btnDeploy->click();
    EXPECT_EQ(responder.messages.back().text, QStringLiteral("2 procedures were deployed to the database."));
    EXPECT_EQ(rows(dialog.lstCompare),
              QStringList({"O'Brien\tonly in the database", "Plain\tsame", "Quoted\tsame",
                           "x]y z.[a.b c]\tsame", "x]y z.[New.1]\tsame"}));
    EXPECT_EQ(dialog.deployed(), QStringList({"Plain", "x]y z.[New.1]"}));
    EXPECT_EQ(engine().procedureText("Plain"_name).at(2), "SELECT 20\n");

    // Write back: the database's version goes into the folder, byte for byte
    // as the export writes it.
    choose(dialog, "O'Brien");
    responder.answerConfirmation(true);
    dialog.btnWriteBack->click();
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("1 procedure file was written to %1.").arg(QString::fromStdString(folder)));
    EXPECT_EQ(readFile(folder + "/dbo.O'Brien.sql"), kHead + "CREATE PROCEDURE [O'Brien] AS\nSELECT 'lf only'\r\nGO\r\n");
    EXPECT_EQ(rows(dialog.lstCompare).first(), QStringLiteral("O'Brien\tsame"));

    // A deploy of an entry that has no file is refused by name.
    engine().executeBatch("CREATE PROCEDURE Later AS SELECT 1");
    dialog.btnCompareAgain->click();
    choose(dialog, "Later");
    responder.answerConfirmation(true);
    dialog.btnDeploy->click();
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The procedure 'Later' has no file in the folder to deploy."));

    // A file whose text holds a GO line is listed; its texts cannot be shown
    // and the dialog says why.
    writeFile(folder + "/dbo.Plain.sql", kHead + "CREATE PROCEDURE Plain AS\r\nGO\r\nSELECT 1\r\nGO\r\n");
    dialog.btnCompareAgain->click();
    EXPECT_EQ(rows(dialog.lstCompare).value(2), QStringLiteral("Plain\tdifferent"));
    choose(dialog, "Plain", true);
    EXPECT_FALSE(dialog.lblProblem->isHidden());
    EXPECT_TRUE(dialog.lblProblem->text().contains(QStringLiteral("Plain"))) << dialog.lblProblem->text().toStdString();
    EXPECT_EQ(dialog.viewTexts->edtFolder->text(), QString());
    choose(dialog, "Quoted", true);
    EXPECT_TRUE(dialog.lblProblem->isHidden());
    EXPECT_TRUE(responder.everythingAnswered());
}

TEST_F(CompareFolderTest, TheMenuComparesAndTheListsShowWhatWasDeployed)
{
    exportAll();
    editFolder();
    responder.answerFolder(QString::fromStdString(folder));
    responder.answerDialog([this](QDialog& shown) {
        auto& dialog = dynamic_cast<TfrmCompareFolder&>(shown);
        EXPECT_EQ(rows(dialog.lstCompare).size(), 5);
        choose(dialog, "x]y z.[New.1]");
        responder.answerConfirmation(true);
        dialog.btnDeploy->click();
        dialog.btnClose->click();
        return dialog.result();
    });
    trigger(*window, "mniCompareWithFolder");
    // The open dialog lists the new procedure.
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_TRUE(captions(child<QTreeWidget>(&dialog, "lvProc")).contains(QStringLiteral("x]y z.[New.1]")));
        dialog.reject();
        return dialog.result();
    });
    trigger(*window, "mniOpen");

    // A folder that is gone is a clear error, and no dialog shows.
    responder.answerFolder(QString::fromStdString(dir.file("gone")));
    trigger(*window, "mniCompareWithFolder");
    EXPECT_EQ(responder.messages.back().text,
              QStringLiteral("The folder '%1' does not exist or is no folder.").arg(QString::fromStdString(dir.file("gone"))));
    EXPECT_TRUE(responder.everythingAnswered());
}
