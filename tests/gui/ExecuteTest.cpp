#include "Fixture.h"

#include "app/PageDocuments.h"
#include "dialogs/dlgExecProc.h"
#include "dialogs/dlgOpenProc.h"
#include "sqltext/Error.h"
#include "ui/ProcedureRunner.h"
#include "ui/ResultsDock.h"
#include "ui/ResultsModel.h"
#include "ui/SqlEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFont>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <semaphore>
#include <sstream>

using namespace varnett;
using namespace varnett::testing;

namespace {

data::ProcedureParameter parameter(const char* name, const char* type, int maxLength = 0,
                                   bool output = false)
{
    data::ProcedureParameter p;
    p.name = name;
    p.type = type;
    p.maxLength = maxLength;
    p.output = output;
    return p;
}

std::vector<data::ProcedureParameter> orderParameters()
{
    auto amount = parameter("@Amount", "decimal");
    amount.precision = 10;
    amount.scale = 2;
    amount.defaultValue = "0";
    return {parameter("@OrderID", "int"), parameter("@Note", "nvarchar", 20, true),
            parameter("@Data", "varbinary", 4), amount, parameter("@Flag", "bit")};
}

QString text(QWidget* parent, const char* name)
{
    return child<QLabel>(parent, name)->text();
}

// Runs the window's events until the runner's call has ended.
void waitForEnd(ui::ProcedureRunner& runner)
{
    while (runner.running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ExecProcDialog, ListsTheParametersAndRefusesABadValueBesideItsBox)
{
    TdlgExecProc dialog(QStringLiteral("SP_Order"), orderParameters());
    EXPECT_EQ(dialog.objectName(), QStringLiteral("dlgExecProc"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Execute SP_Order"));
    EXPECT_EQ(text(&dialog, "lblName2"), QStringLiteral("@Note"));
    EXPECT_EQ(text(&dialog, "lblType2"), QStringLiteral("nvarchar(10)"));
    EXPECT_EQ(text(&dialog, "lblDirection2"), QStringLiteral("output"));
    EXPECT_EQ(text(&dialog, "lblDirection1"), QStringLiteral("input"));
    EXPECT_EQ(text(&dialog, "lblType4"), QStringLiteral("decimal(10,2)"));
    EXPECT_EQ(text(&dialog, "lblDefault4"), QStringLiteral("0"));
    EXPECT_TRUE(dialog.chkRollback->isChecked());
    EXPECT_EQ(dialog.edtMaxRows->value(), 10000);

    // Two bad values: the dialog stays open, each error beside its box.
    dialog.edtValues[0]->setText(QStringLiteral("12x"));
    dialog.edtValues[2]->setText(QStringLiteral("0xZZ"));
    dialog.edtValues[1]->setText(QStringLiteral("an output of 11 chars"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.lblErrors[0]->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.lblErrors[0]->text().contains(QStringLiteral("no whole number")))
        << dialog.lblErrors[0]->text().toStdString();
    EXPECT_TRUE(dialog.lblErrors[1]->text().contains(QStringLiteral("longer than 10 characters")));
    EXPECT_TRUE(dialog.lblErrors[2]->text().contains(QStringLiteral("no hex")));
    EXPECT_FALSE(dialog.lblErrors[3]->isVisibleTo(&dialog));
    EXPECT_THROW(dialog.callScript(), Error);

    // Mended, and NULL for the binary: the call as filled in.
    dialog.edtValues[0]->setText(QStringLiteral("7"));
    dialog.edtValues[1]->clear();
    dialog.chkNulls[2]->setChecked(true);
    EXPECT_FALSE(dialog.edtValues[2]->isEnabled());
    dialog.edtValues[4]->setText(QStringLiteral("true"));
    dialog.chkRollback->setChecked(false);
    dialog.edtMaxRows->setValue(50000);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (QLabel* error : dialog.lblErrors)
        EXPECT_FALSE(error->isVisibleTo(&dialog));
    const data::RunRequest request = dialog.request();
    EXPECT_EQ(sqltext::catalogName(request.procedure), "SP_Order;1");
    EXPECT_FALSE(request.rollback);
    EXPECT_EQ(request.maxRows, 50000u);
    // @Amount, left empty, is left out and takes its default.
    ASSERT_EQ(request.arguments.size(), 4u);
    EXPECT_EQ(request.arguments[0].name, "@OrderID");
    EXPECT_EQ(request.arguments[0].value, "7");
    EXPECT_EQ(request.arguments[1].name, "@Note");
    EXPECT_EQ(request.arguments[1].value, std::nullopt);
    EXPECT_EQ(request.arguments[2].name, "@Data");
    EXPECT_EQ(request.arguments[2].value, std::nullopt);
    EXPECT_EQ(request.arguments[3].name, "@Flag");
    EXPECT_EQ(request.arguments[3].value, "true");
}

TEST(ExecProcDialog, CopyAsScriptWritesTheCallForHostileNamesAndValues)
{
    ScriptedResponder responder;
    auto note = parameter("@Note", "nvarchar", 200);
    TdlgExecProc dialog(QStringLiteral("Sales Dept.Odd] 'Name"),
                        {note, parameter("@Data", "varbinary", 4), parameter("@Flag", "bit"),
                         parameter("@Out", "int", 0, true)});
    dialog.edtValues[0]->setText(QStringLiteral("it's\ta \"test\"]"));
    dialog.edtValues[1]->setText(QStringLiteral("0x01ab"));
    dialog.edtValues[2]->setText(QStringLiteral("false"));
    dialog.edtValues[3]->setText(QStringLiteral("5"));
    dialog.btnCopyScript->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("DECLARE @RETURN_VALUE int;\n"
                             "DECLARE @Out int = 5;\n"
                             "EXEC @RETURN_VALUE = [Sales Dept].[Odd]] 'Name]\n"
                             "    @Note = N'it''s\ta \"test\"]',\n"
                             "    @Data = 0x01AB,\n"
                             "    @Flag = 0,\n"
                             "    @Out = @Out OUTPUT;\n"
                             "SELECT @RETURN_VALUE AS [Return value], @Out AS [@Out];\n"));
    EXPECT_TRUE(responder.messages.empty());
}

TEST(ResultsModel, ShowsNullApartAbbreviatesAndGivesTheWholeValue)
{
    const std::string longText(500, 'x');
    const std::string longHex = "0x" + std::string(600, 'A');
    ui::ResultsModel model({{"Name", "nvarchar(max)", false}, {"Data", "varbinary(max)", true}});
    model.appendRows({{std::nullopt, std::string("0x01")},
                      {std::string("NULL"), longHex},
                      {longText, std::nullopt},
                      {std::string("first\nsecond"), std::string("0x")}});
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Name\nnvarchar(max)"));
    auto cell = [&](int row, int column, int role) { return model.data(model.index(row, column), role); };

    // NULL and the text 'NULL' read alike but are told apart.
    EXPECT_EQ(cell(0, 0, Qt::DisplayRole).toString(), QStringLiteral("NULL"));
    EXPECT_EQ(cell(1, 0, Qt::DisplayRole).toString(), QStringLiteral("NULL"));
    EXPECT_TRUE(cell(0, 0, ui::ResultsModel::NullRole).toBool());
    EXPECT_FALSE(cell(1, 0, ui::ResultsModel::NullRole).toBool());
    EXPECT_TRUE(cell(0, 0, Qt::FontRole).value<QFont>().italic());
    EXPECT_FALSE(cell(1, 0, Qt::FontRole).isValid());
    EXPECT_TRUE(cell(0, 0, Qt::ForegroundRole).isValid());
    EXPECT_FALSE(cell(1, 0, Qt::ForegroundRole).isValid());
    EXPECT_TRUE(cell(0, 0, ui::ResultsModel::WholeValueRole).isNull());

    // Long values and second lines are cut in the cell and kept whole.
    EXPECT_EQ(cell(2, 0, Qt::DisplayRole).toString(),
              QString(ui::ResultsModel::kCellChars, QLatin1Char('x')) + QChar(0x2026));
    EXPECT_EQ(cell(2, 0, ui::ResultsModel::WholeValueRole).toString().toStdString(), longText);
    EXPECT_EQ(cell(3, 0, Qt::DisplayRole).toString(), QStringLiteral("first") + QChar(0x2026));
    EXPECT_EQ(cell(1, 1, Qt::DisplayRole).toString(),
              QString::fromStdString(longHex.substr(0, ui::ResultsModel::kCellChars))
                  + QChar(0x2026) + QStringLiteral(" (300 bytes)"));
    EXPECT_EQ(cell(1, 1, ui::ResultsModel::WholeValueRole).toString().toStdString(), longHex);
    EXPECT_EQ(cell(0, 1, Qt::DisplayRole).toString(), QStringLiteral("0x01"));
}

TEST(ResultsModel, CopiesTabSeparatedAndSavesCsvThroughTheDock)
{
    TempDir dir;
    ScriptedResponder responder;
    ui::ResultsDock dock;
    dock.begin(QStringLiteral("P"));
    dock.beginResultSet({{"Id", "int", false}, {"Text", "nvarchar(50)", false}});
    dock.appendRows({{std::string("1"), std::string("tab\there")},
                     {std::string("2"), std::string("say \"hi\"\nbye")},
                     {std::string("3"), std::nullopt}});
    dock.endResultSet(0);
    ASSERT_EQ(dock.resultSetCount(), 1);
    QTableView* grid = dock.grid(0);
    EXPECT_EQ(grid->objectName(), QStringLiteral("gridResult1"));

    // Ctrl+C in the grid: the selected cells, those of a row apart left empty.
    grid->selectionModel()->select(grid->model()->index(0, 1), QItemSelectionModel::Select);
    grid->selectionModel()->select(grid->model()->index(1, 0), QItemSelectionModel::Select);
    grid->selectionModel()->select(grid->model()->index(1, 1), QItemSelectionModel::Select);
    grid->selectionModel()->select(grid->model()->index(2, 1), QItemSelectionModel::Select);
    child<QAction>(grid, "actCopyCells")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("\t\"tab\there\"\n2\t\"say \"\"hi\"\"\nbye\"\n\t\n"));

    // Save as CSV: every row, the header first, CR LF.
    const std::string path = dir.file("result.csv");
    responder.answerSave(QString::fromStdString(path));
    dock.btnSaveCsv->click();
    EXPECT_EQ(readFile(path),
              "Id,Text\r\n1,tab\there\r\n2,\"say \"\"hi\"\"\nbye\"\r\n3,\r\n");
    EXPECT_EQ(responder.fileRequests.back().objectName, QStringLiteral("sdResults"));

    // A double-click shows the value whole, read-only.
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QString shown;
    responder.answerDialog([&](QDialog& viewer) {
        auto* value = child<QPlainTextEdit>(&viewer, "edtValue");
        shown = value->toPlainText();
        EXPECT_TRUE(value->isReadOnly());
        viewer.reject();
        return viewer.result();
    });
    emit grid->doubleClicked(grid->currentIndex());
    EXPECT_EQ(shown, QStringLiteral("say \"hi\"\nbye"));
    EXPECT_EQ(responder.events.back(), QStringLiteral("dialog:frmValue"));
}

// The call runs on a thread of its own, held at each step until the window
// has shown it: the window answers meanwhile, the first rows show before the
// rest come, Cancel stops the call and the results say so; the commands
// that use the connection wait for the end.
TEST_F(MainWindowTest, ExecuteRunsOffTheWindowsThreadAndCancelStopsIt)
{
    ui::ProcedureRunner& runner = window->runner();
    ui::ResultsDock& dock = window->results();
    QAction* open = child<QAction>(window.get(), "mniOpen");
    QAction* execute = child<QAction>(window.get(), "mniExecute");
    std::counting_semaphore<1 << 20> shown(0);
    auto job = [&shown](data::RunControl& control) {
        data::RunOutcome outcome;
        data::RunResultSet set;
        set.columns = {{"n", "int", false}};
        for (int i = 0; i < 1000 && !control.cancelled(); ++i) {
            set.rows.push_back({std::to_string(i)});
            control.onRows(set);
            // The first rows come with their set's columns: two steps.
            for (int steps = i == 0 ? 2 : 1; steps > 0; --steps)
                shown.acquire();
        }
        outcome.resultSets.push_back(set);
        outcome.cancelled = control.cancelled();
        outcome.rolledBack = true;
        return outcome;
    };
    int rowsWhenCancelled = -1;
    bool answered = false;
    bool openWhileRunning = true;
    runner.setRowsPerStep(1);
    runner.setStepProbe([&](std::size_t) {
        if (dock.resultSetCount() == 1 && dock.model(0)->rowCount() == 2 && !answered) {
            // The call is held on its thread; the window takes typing.
            ui::SqlEditor* editor = window->editor(TfrmMain::EditPage);
            QTest::keyClicks(editor, QStringLiteral("typed"));
            answered = editor->toPlainText().contains(QStringLiteral("typed"));
            openWhileRunning = open->isEnabled() || execute->isEnabled();
        }
        if (dock.resultSetCount() == 1 && dock.model(0)->rowCount() == 3 && rowsWhenCancelled < 0) {
            rowsWhenCancelled = 3;
            dock.btnCancelRun->click();
        }
        shown.release();
    });
    std::int64_t now = 0;
    runner.start(QStringLiteral("SP_Long"), job, [&now] { return now += 1250; });
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(open->isEnabled());
    EXPECT_TRUE(dock.btnCancelRun->isEnabled());
    EXPECT_THROW(window->executeProcedure(QStringLiteral("SP_Long")), Error);
    waitForEnd(runner);

    EXPECT_TRUE(answered);
    EXPECT_FALSE(openWhileRunning);
    EXPECT_EQ(rowsWhenCancelled, 3);
    EXPECT_EQ(dock.model(0)->rowCount(), 3);
    EXPECT_EQ(dock.statusText(), QStringLiteral("SP_Long: cancelled and rolled back in 1.250 s"));
    EXPECT_TRUE(dock.messagesText().endsWith(QStringLiteral("Cancelled and rolled back in 1.250 s.")))
        << dock.messagesText().toStdString();
    EXPECT_FALSE(dock.btnCancelRun->isEnabled());
    EXPECT_TRUE(open->isEnabled());
    EXPECT_TRUE(execute->isEnabled());
}

// What a finished call gave back, in the order it came.
TEST(ResultsDock, SaysWhatTheCallGaveBack)
{
    ui::ResultsDock dock;
    dock.begin(QStringLiteral("P"));
    dock.addMessage({0, std::nullopt, 0, 0, false, "printed", 0});
    dock.beginResultSet({{"n", "int", false}});
    dock.appendRows({{std::string("1")}});
    dock.endResultSet(25);
    dock.addRowsAffected(1);
    dock.addMessage({50000, 16, 1, 3, true, "It failed", 1});
    data::RunOutcome outcome;
    outcome.returnValue = 0;
    outcome.outputs = {{"@Out", std::string("x")}, {"@None", std::nullopt}};
    dock.finish(outcome, 42);
    EXPECT_EQ(dock.messagesText(),
              QStringLiteral("printed\nResult 1: 1 row; 25 more rows left out\n"
                             "(1 row affected)\nMsg 50000, Level 16, State 1, Line 3: It failed\n"
                             "Return value: 0\n@Out = x\n@None = NULL\nCommitted in 0.042 s."));
    outcome.rolledBack = true;
    dock.begin(QStringLiteral("P"));
    EXPECT_EQ(dock.resultSetCount(), 0);
    dock.finish(outcome, 0);
    EXPECT_EQ(dock.statusText(), QStringLiteral("P: rolled back in 0.000 s"));
}

TEST_F(MainWindowTest, F5ExecutesOnTheEditPageAndTheEmbeddedEngineRefusesToRun)
{
    window->selectPage(TfrmMain::InsertPage);
    QAction* build = child<QAction>(window.get(), "mniBuild");
    QAction* execute = child<QAction>(window.get(), "mniExecute");
    EXPECT_EQ(build->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_TRUE(execute->shortcut().isEmpty());
    window->selectPage(TfrmMain::EditPage);
    EXPECT_TRUE(build->shortcut().isEmpty());
    EXPECT_EQ(execute->shortcut(), QKeySequence(Qt::Key_F5));

    // The Edit page holds no procedure: the open dialog asks for one. Then,
    // from File > Open, its Execute... runs the chosen one instead of opening it.
    const QString refusal = QStringLiteral(
        "The embedded engine stores procedures without running them: the parameters of "
        "'GetCustomers' are described on a SQL Server connection only.");
    responder.answerDialog([](QDialog& dialog) {
        EXPECT_TRUE(child<QPushButton>(&dialog, "ExecBtn")->isHidden());
        child<QLineEdit>(&dialog, "edtName")->setText(QStringLiteral("GetCustomers"));
        dialog.accept();
        return dialog.result();
    });
    trigger(*window, "mniExecute");
    ASSERT_FALSE(responder.messages.empty());
    EXPECT_EQ(responder.messages.back().text, refusal);
    responder.answerDialog([](QDialog& dialog) {
        child<QLineEdit>(&dialog, "edtName")->setText(QStringLiteral("GetCustomers"));
        child<QPushButton>(&dialog, "ExecBtn")->click();
        return dialog.result();
    });
    trigger(*window, "mniOpen");
    EXPECT_EQ(responder.messages.back().text, refusal);
    EXPECT_EQ(responder.messages.size(), 2u);
    EXPECT_TRUE(window->editor(TfrmMain::EditPage)->toPlainText().isEmpty());
}
