#include "ui/SqlEditor.h"

#include <gtest/gtest.h>

#include <string>

using varnett::ui::SqlEditor;

// The editor colours each line from the state the line before left, through
// the one T-SQL tokenizer (its own cases are in the core tests).
TEST(SqlEditorTest, LinesAreColouredFromTheStateTheLineBeforeLeft)
{
    SqlEditor editor;
    const std::string text = "select 'a\r\nb' x --c\r\n/* d\r\ne */ 12abc\r\n[n\r\nm] @v";
    editor.setPlainText(QString::fromStdString(text));
    editor.SendScintilla(QsciScintilla::SCI_COLOURISE, 0, -1);
    auto styleOf = [&](const char* piece) {
        const auto at = static_cast<unsigned long>(text.find(piece));
        return static_cast<int>(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT, at));
    };
    // 3 keyword, 6 string, 0 default, 1 line comment, 2 block comment,
    // 8 number, 7 delimited name, 9 variable.
    const std::pair<const char*, int> rows[] = {
        {"select", 3}, {"b'", 6}, {"x ", 0}, {"--c", 1}, {"e */", 2},
        {"12", 8}, {"abc", 0}, {"m]", 7}, {"@v", 9},
    };
    for (const auto& [piece, style] : rows)
        EXPECT_EQ(styleOf(piece), style) << piece;
}
