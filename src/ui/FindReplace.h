#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varnett::ui {

class SqlEditor;

// The Find and Replace box of the editors: it stays open beside the window
// and works on whichever page is current when a button is pressed. Find
// Next and Find Previous (F3, Shift+F3) repeat the last search without it.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    using EditorSource = std::function<SqlEditor*()>;
    explicit TfrmFind(EditorSource editor, QWidget* parent = nullptr);

    // Opens the box, for finding alone or for replacing too; the search text
    // starts as the editor's selection when it is one line.
    void open(bool replacing);

    // Searches forward or backward; reports when nothing is found, and when
    // the search went past the end (or the start) and on from the other end.
    bool findNext(bool forward = true);
    // Whether the last search went on from the other end of the text.
    bool wrapped() const { return m_wrapped; }
    bool replaceNext();
    int replaceAll();

    QLineEdit* edtFind = nullptr;
    QLineEdit* edtReplace = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QCheckBox* chkWholeWord = nullptr;

private:
    void showResult(const QString& text);
    void notFound();
    // Moves the box off the match it found, when it covers it.
    void uncover(SqlEditor* editor);

    EditorSource m_editor;
    QLabel* m_replaceLabel = nullptr;
    QLabel* m_result = nullptr;
    QPushButton* m_findNext = nullptr;
    QPushButton* m_replace = nullptr;
    QPushButton* m_replaceAll = nullptr;
    bool m_wrapped = false;
};

} // namespace varnett::ui
