#pragma once

#include <QString>
#include <QStringList>

namespace varnett::ui {

class SqlEditor;

// Line-oriented operations on the editors of the pages.

// The page's lines; an empty page has none.
QStringList lines(const SqlEditor* editor);
// Replaces the whole text, as one step the user can undo.
void setLines(SqlEditor* editor, const QStringList& lines);

struct Caret {
    int line = 0;
    int column = 0; // in characters
};
// The start of the selection (the caret when nothing is selected).
Caret selectionStart(const SqlEditor* editor);
// The end of the selection (the caret when nothing is selected).
Caret selectionEnd(const SqlEditor* editor);

QString lineText(const SqlEditor* editor, int line);
// Replaces the text of one line; the caret ends at the end of that line.
void replaceLine(SqlEditor* editor, int line, const QString& text);
// Inserts text into a line after its first `column` characters (at its end
// when the line is shorter) and leaves the caret at the end of the line.
void insertIntoLine(SqlEditor* editor, const Caret& at, const QString& text);

} // namespace varnett::ui
