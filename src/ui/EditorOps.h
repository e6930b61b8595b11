#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace varnett::ui {

// Line-oriented operations on the plain-text editors of the pages.

// The page's lines; an empty page has none.
QStringList lines(const QPlainTextEdit* editor);
void setLines(QPlainTextEdit* editor, const QStringList& lines);
void appendLine(QPlainTextEdit* editor, const QString& line);

struct Caret {
    int line = 0;
    int column = 0;
};
// The start of the selection (the caret when nothing is selected).
Caret selectionStart(const QPlainTextEdit* editor);
// The end of the selection (the caret when nothing is selected).
Caret selectionEnd(const QPlainTextEdit* editor);

QString lineText(const QPlainTextEdit* editor, int line);
// Replaces the text of one line; the caret ends at the end of that line.
void replaceLine(QPlainTextEdit* editor, int line, const QString& text);
// Inserts text into a line after its first `column` characters (at its end
// when the line is shorter) and leaves the caret at the end of the line.
void insertIntoLine(QPlainTextEdit* editor, const Caret& at, const QString& text);

} // namespace varnett::ui
