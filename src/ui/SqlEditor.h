#pragma once

#include <Qsci/qsciscintilla.h>

#include <QPoint>

namespace varnett::ui {

class TsqlLexer;

// The editor of a page: T-SQL colouring, a monospaced font, line numbers,
// the current line marked, brace matching, tab width 4 filled with blanks,
// auto-indent. Lines end in LF inside the editor. Replacing the whole text
// goes into the undo history, so the user can take it back.
class SqlEditor : public QsciScintilla {
    Q_OBJECT
public:
    explicit SqlEditor(QWidget* parent = nullptr);

    QString toPlainText() const { return text(); }
    // Replaces the whole text as one undoable step.
    void setPlainText(const QString& text);
    // Empties the editor as one undoable step.
    void clear() override;

    // Marks the text as saved: isModified() is false until the next change.
    void markSaved() { setModified(false); }

    // Finds the next (or previous) match from the caret and selects it;
    // false when there is none, wrapping round the text.
    bool findNext(const QString& text, bool matchCase, bool wholeWord, bool forward);
    // Replaces the selection when it is a match, then finds the next one.
    bool replaceAndFindNext(const QString& text, const QString& replacement, bool matchCase,
                            bool wholeWord);
    // Replaces every match as one undoable step; returns their number.
    int replaceAll(const QString& text, const QString& replacement, bool matchCase,
                   bool wholeWord);
    // Moves the caret to the start of a line (counted from 1) and shows it.
    void goToLine(int line);

    // The screen point just below the caret, where pop-up lists open.
    QPoint caretGlobalPosition() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool selectionMatches(const QString& text, bool matchCase) const;

    TsqlLexer* m_lexer = nullptr;
};

} // namespace varnett::ui
