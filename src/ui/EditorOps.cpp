#include "ui/EditorOps.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace varnett::ui {

namespace {

Caret caretAt(const QPlainTextEdit* editor, int position)
{
    const QTextBlock block = editor->document()->findBlock(position);
    return {block.blockNumber(), position - block.position()};
}

} // namespace

QStringList lines(const QPlainTextEdit* editor)
{
    const QString text = editor->toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

void setLines(QPlainTextEdit* editor, const QStringList& lines)
{
    editor->setPlainText(lines.join(QLatin1Char('\n')));
}

void appendLine(QPlainTextEdit* editor, const QString& line)
{
    editor->appendPlainText(line);
}

Caret selectionStart(const QPlainTextEdit* editor)
{
    return caretAt(editor, editor->textCursor().selectionStart());
}

Caret selectionEnd(const QPlainTextEdit* editor)
{
    return caretAt(editor, editor->textCursor().selectionEnd());
}

QString lineText(const QPlainTextEdit* editor, int line)
{
    return editor->document()->findBlockByNumber(line).text();
}

void replaceLine(QPlainTextEdit* editor, int line, const QString& text)
{
    QTextBlock block = editor->document()->findBlockByNumber(line);
    if (!block.isValid())
        block = editor->document()->lastBlock();
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::StartOfBlock);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    editor->setTextCursor(cursor);
}

void insertIntoLine(QPlainTextEdit* editor, const Caret& at, const QString& text)
{
    QString current = lineText(editor, at.line);
    const int column = std::min<int>(at.column, current.size());
    current.insert(column, text);
    replaceLine(editor, at.line, current);
}

} // namespace varnett::ui
