#include "ui/SqlEditor.h"

#include "ui/TsqlLexer.h"

#include <QFontDatabase>
#include <QKeyEvent>

namespace varnett::ui {

SqlEditor::SqlEditor(QWidget* parent)
    : QsciScintilla(parent)
{
    setUtf8(true);
    setEolMode(EolUnix);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    setFont(font);
    m_lexer = new TsqlLexer(font, this);
    setLexer(m_lexer);

    setMarginType(0, NumberMargin);
    setMarginLineNumbers(0, true);
    setMarginsFont(font);
    setMarginWidth(0, QStringLiteral("00000"));
    setMarginWidth(1, 0);
    setMarginsBackgroundColor(QColor(0xf0, 0xf0, 0xf0));
    setMarginsForegroundColor(QColor(0x80, 0x80, 0x80));

    setCaretLineVisible(true);
    setCaretLineBackgroundColor(QColor(0xe8, 0xf2, 0xfe));
    setBraceMatching(SloppyBraceMatch);
    setMatchedBraceBackgroundColor(QColor(0xc8, 0xe6, 0xc9));
    setUnmatchedBraceForegroundColor(QColor(Qt::red));
    setTabWidth(4);
    setIndentationsUseTabs(false);
    setIndentationWidth(4);
    setAutoIndent(true);
    setBackspaceUnindents(true);
    setWrapMode(WrapNone);
    SendScintilla(SCI_SETHSCROLLBAR, 1);
    // The horizontal bar follows the longest line shown instead of a fixed
    // width of 2000 pixels.
    SendScintilla(SCI_SETSCROLLWIDTH, 1);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // The window's menus own these keys, so they act on the current page
    // wherever the focus is.
    for (int key : {Qt::Key_L, Qt::Key_T, Qt::Key_D})
        SendScintilla(SCI_CLEARCMDKEY, key + (SCMOD_CTRL << 16));
}

void SqlEditor::setPlainText(const QString& newText)
{
    if (newText == text())
        return;
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    beginUndoAction();
    const QByteArray bytes = newText.toUtf8();
    SendScintilla(SCI_SETTEXT, bytes.constData());
    endUndoAction();
    setReadOnly(readOnly);
}

void SqlEditor::clear()
{
    setPlainText(QString());
}

bool SqlEditor::selectionMatches(const QString& needle, bool matchCase) const
{
    return hasSelectedText()
        && selectedText().compare(needle, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

bool SqlEditor::findNext(const QString& needle, bool matchCase, bool wholeWord, bool forward)
{
    if (needle.isEmpty())
        return false;
    int line = -1;
    int index = -1;
    if (!forward && hasSelectedText()) {
        // Search backwards from the start of the selection.
        int lineTo = 0;
        int indexTo = 0;
        getSelection(&line, &index, &lineTo, &indexTo);
    }
    return findFirst(needle, false, matchCase, wholeWord, true, forward, line, index, true);
}

bool SqlEditor::replaceAndFindNext(const QString& needle, const QString& replacement,
                                   bool matchCase, bool wholeWord)
{
    if (selectionMatches(needle, matchCase))
        replaceSelectedText(replacement);
    return findNext(needle, matchCase, wholeWord, true);
}

int SqlEditor::replaceAll(const QString& needle, const QString& replacement, bool matchCase,
                          bool wholeWord)
{
    if (needle.isEmpty())
        return 0;
    int count = 0;
    beginUndoAction();
    // From the start, without wrapping, so each match is replaced once.
    bool found = findFirst(needle, false, matchCase, wholeWord, false, true, 0, 0, false);
    while (found) {
        replace(replacement);
        ++count;
        found = QsciScintilla::findNext();
    }
    endUndoAction();
    return count;
}

void SqlEditor::goToLine(int line)
{
    const int target = std::clamp(line, 1, std::max(lines(), 1)) - 1;
    setCursorPosition(target, 0);
    ensureLineVisible(target);
    setFocus();
}

QPoint SqlEditor::caretGlobalPosition() const
{
    const long position = SendScintilla(SCI_GETCURRENTPOS);
    const int x = static_cast<int>(SendScintilla(SCI_POINTXFROMPOSITION, 0, position));
    const int y = static_cast<int>(SendScintilla(SCI_POINTYFROMPOSITION, 0, position));
    int line = 0;
    int index = 0;
    getCursorPosition(&line, &index);
    const int height = static_cast<int>(SendScintilla(SCI_TEXTHEIGHT, line));
    return viewport()->mapToGlobal(QPoint(x, y + height));
}

void SqlEditor::keyPressEvent(QKeyEvent* event)
{
    // Alt with a letter belongs to the menus: it never types into the text.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !event->text().isEmpty()
        && event->text().at(0).isPrint()) {
        event->ignore();
        return;
    }
    // Shift+Tab without a selection leaves the editor for the widget before
    // it (the lists), as in any other box; with a selection it unindents.
    if (event->key() == Qt::Key_Backtab && !hasSelectedText()) {
        QWidget::focusNextPrevChild(false);
        return;
    }
    QsciScintilla::keyPressEvent(event);
}

} // namespace varnett::ui
