#include "Fixture.h"

#include "app/ProgramOptions.h"
#include "app/dlgMain.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

TEST(ProgramOptionsTest, OptionsAreReadAndTheRestLeftToTheToolkit)
{
    struct Case {
        std::vector<std::string> args;
        bool help;
        bool version;
        std::optional<int> quitAfterMs;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{}, false, false, std::nullopt, ""},
        {{"--version"}, false, true, std::nullopt, ""},
        {{"-h"}, true, false, std::nullopt, ""},
        {{"-platform", "offscreen", "--help"}, true, false, std::nullopt, ""},
        {{"--quit-after", "1500"}, false, false, 1500, ""},
        {{"--quit-after=0", "-style", "fusion"}, false, false, 0, ""},
        {{"--", "--version"}, false, false, std::nullopt, ""},
        {{"--quit-after"}, false, false, std::nullopt, "option '--quit-after' needs a value"},
        {{"--quit-after", "soon"}, false, false, std::nullopt,
         "--quit-after needs milliseconds from 0 to 86400000, not 'soon'"},
        {{"--quit-after=-5"}, false, false, std::nullopt,
         "--quit-after needs milliseconds from 0 to 86400000, not '-5'"},
        {{"--quit-after=12x"}, false, false, std::nullopt,
         "--quit-after needs milliseconds from 0 to 86400000, not '12x'"},
        {{"--quit-after=99999999999"}, false, false, std::nullopt,
         "--quit-after needs milliseconds from 0 to 86400000, not '99999999999'"},
    };
    for (const Case& c : cases) {
        const std::string line = c.args.empty() ? std::string("(none)") : c.args.front();
        ProgramOptions options = readProgramOptions(c.args);
        EXPECT_EQ(options.help, c.help) << line;
        EXPECT_EQ(options.version, c.version) << line;
        EXPECT_EQ(options.quitAfterMs, c.quitAfterMs) << line;
        EXPECT_EQ(options.error, c.error) << line;
    }
    EXPECT_EQ(programVersionText(), "varnett 1.0.0.1\n");
    EXPECT_EQ(QApplication::applicationVersion(), QStringLiteral("1.0.0.1"));
    EXPECT_EQ(programUsageText().rfind("Usage: varnett [--help] [--version] [--quit-after MS]\n", 0),
              0u);
}

TEST(ProgramIconTest, TheWindowAndTheAboutBoxShowTheInstalledIcon)
{
    TempDir dir;
    auto settings = makeSettings(dir, embeddedConnectionString(makeSalesDatabase(dir)));
    ScriptedResponder responder;
    TfrmMain window(*settings);

    // The icon comes in the sizes the desktop is given, up to 256 pixels.
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
    const QImage windowImage = window.windowIcon().pixmap(32, 32).toImage();
    // Not a blank picture: its corners are clear and its middle is not.
    EXPECT_EQ(qAlpha(windowImage.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(windowImage.pixel(16, 16)), 255);

    QImage aboutImage;
    responder.answerDialog([&aboutImage](QDialog& box) {
        aboutImage = child<QLabel>(&box, "ProgramIcon")->pixmap().toImage();
        box.accept();
        return box.result();
    });
    trigger(window, "mniAbout");
    ASSERT_FALSE(aboutImage.isNull());
    EXPECT_EQ(aboutImage.size(), QSize(32, 32));
    EXPECT_EQ(aboutImage.convertToFormat(QImage::Format_ARGB32),
              windowImage.convertToFormat(QImage::Format_ARGB32));
}
