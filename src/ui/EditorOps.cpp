#include "ui/EditorOps.h"

#include "ui/SqlEditor.h"

namespace varnett::ui {

QStringList lines(const SqlEditor* editor)
{
    const QString text = editor->text();
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

void setLines(SqlEditor* editor, const QStringList& lines)
{
    editor->setPlainText(lines.join(QLatin1Char('\n')));
}

Caret selectionStart(const SqlEditor* editor)
{
    int lineFrom = -1, indexFrom = -1, lineTo = -1, indexTo = -1;
    editor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    if (lineFrom < 0) {
        editor->getCursorPosition(&lineFrom, &indexFrom);
    }
    return {lineFrom, indexFrom};
}

Caret selectionEnd(const SqlEditor* editor)
{
    int lineFrom = -1, indexFrom = -1, lineTo = -1, indexTo = -1;
    editor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    if (lineTo < 0)
        editor->getCursorPosition(&lineTo, &indexTo);
    return {lineTo, indexTo};
}

QString lineText(const SqlEditor* editor, int line)
{
    QString text = editor->text(line);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

void replaceLine(SqlEditor* editor, int line, const QString& text)
{
    if (line < 0 || line >= editor->lines())
        line = std::max(editor->lines() - 1, 0);
    const int length = static_cast<int>(lineText(editor, line).size());
    editor->setSelection(line, 0, line, length);
    editor->replaceSelectedText(text);
    editor->setCursorPosition(line, static_cast<int>(text.size()));
}

void insertIntoLine(SqlEditor* editor, const Caret& at, const QString& text)
{
    QString current = lineText(editor, at.line);
    const int column = std::min<int>(at.column, static_cast<int>(current.size()));
    current.insert(column, text);
    replaceLine(editor, at.line, current);
}

} // namespace varnett::ui
