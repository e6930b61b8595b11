#include "Responder.h"

#include "ui/Modal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

struct Shown {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Answers the next real message box with `button` once it is up, noting
// what it showed.
void answerMessageBox(QMessageBox::StandardButton button, Shown& shown)
{
    QTimer::singleShot(0, [button, &shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                 box->standardButton(box->defaultButton())};
        box->button(button)->click();
    });
}

} // namespace

TEST(Modal, AnswersQueuedButNeverUsedFailTheTest)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedResponder responder;
            responder.answerConfirmation(true);
            responder.answerSave(QStringLiteral("/tmp/x.sql"));
        },
        "answers queued but never used: 0 dialog, 1 confirmation, 1 save, 0 open");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedResponder responder;
            EXPECT_FALSE(ui::confirm(QStringLiteral("Sure?")));
        },
        "unexpected confirmation: Sure?");
}

TEST(Modal, RealMessageBoxesAskAndTell)
{
    Shown shown;
    answerMessageBox(QMessageBox::Yes, shown);
    EXPECT_TRUE(ui::confirm(QStringLiteral("Delete 2 procedures?")));
    EXPECT_EQ(shown.title, QStringLiteral("Confirm"));
    EXPECT_EQ(shown.text, QStringLiteral("Delete 2 procedures?"));
    EXPECT_EQ(shown.icon, QMessageBox::Question);
    EXPECT_EQ(shown.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(shown.defaultButton, QMessageBox::Yes);

    answerMessageBox(QMessageBox::No, shown);
    EXPECT_FALSE(ui::confirm(QStringLiteral("Delete 2 procedures?"), ui::DefaultAnswer::No));
    EXPECT_EQ(shown.defaultButton, QMessageBox::No);

    // Every error box has one title.
    answerMessageBox(QMessageBox::Ok, shown);
    ui::generalError(QStringLiteral("Disk full"));
    EXPECT_EQ(shown.title, QStringLiteral("Error"));
    EXPECT_EQ(shown.text, QStringLiteral("Disk full."));
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    answerMessageBox(QMessageBox::Ok, shown);
    ui::information(QStringLiteral("Procedure updated successfully."));
    EXPECT_EQ(shown.title, QStringLiteral("Information"));
    EXPECT_EQ(shown.icon, QMessageBox::Information);
}

TEST(Modal, AGuardedCommandShowsWhatItThrowsAndReturns)
{
    ScriptedResponder responder;
    bool after = false;
    ui::guarded([] { throw std::runtime_error("Disk full"); });
    ui::guarded([] { throw 42; });
    ui::guarded([&] { after = true; });
    EXPECT_TRUE(after);
    ASSERT_EQ(responder.messages.size(), 2u);
    EXPECT_EQ(responder.messages[0].kind, ui::MessageKind::General);
    EXPECT_EQ(responder.messages[0].text, QStringLiteral("Disk full."));
    EXPECT_EQ(responder.messages[1].text, QStringLiteral("Unknown error."));
}
