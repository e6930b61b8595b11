#include "ui/FindReplace.h"

#include "ui/SqlEditor.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace varnett::ui {

TfrmFind::TfrmFind(EditorSource editor, QWidget* parent)
    : QDialog(parent)
    , m_editor(std::move(editor))
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(tr("Find"));
    setModal(false);

    edtFind = new QLineEdit(this);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtFind->setMinimumWidth(260);
    edtReplace = new QLineEdit(this);
    edtReplace->setObjectName(QStringLiteral("edtReplace"));
    chkMatchCase = new QCheckBox(tr("Match &case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    chkWholeWord = new QCheckBox(tr("&Whole word"), this);
    chkWholeWord->setObjectName(QStringLiteral("chkWholeWord"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("lblResult"));

    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(edtFind);
    m_replaceLabel = new QLabel(tr("Re&place with:"), this);
    m_replaceLabel->setBuddy(edtReplace);

    m_findNext = new QPushButton(tr("&Find Next"), this);
    m_findNext->setObjectName(QStringLiteral("btnFindNext"));
    m_findNext->setDefault(true);
    auto* findPrevious = new QPushButton(tr("Find Pre&vious"), this);
    findPrevious->setObjectName(QStringLiteral("btnFindPrevious"));
    m_replace = new QPushButton(tr("&Replace"), this);
    m_replace->setObjectName(QStringLiteral("btnReplace"));
    m_replaceAll = new QPushButton(tr("Replace &All"), this);
    m_replaceAll->setObjectName(QStringLiteral("btnReplaceAll"));
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(edtFind, 0, 1);
    layout->addWidget(m_replaceLabel, 1, 0);
    layout->addWidget(edtReplace, 1, 1);
    layout->addWidget(chkMatchCase, 2, 1);
    layout->addWidget(chkWholeWord, 3, 1);
    layout->addWidget(m_result, 4, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_findNext, findPrevious, m_replace, m_replaceAll, close})
        buttons->addWidget(button);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 5, 1);

    connect(m_findNext, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(findPrevious, &QPushButton::clicked, this, [this] { findNext(false); });
    connect(m_replace, &QPushButton::clicked, this, [this] { replaceNext(); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { replaceAll(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void TfrmFind::open(bool replacing)
{
    setWindowTitle(replacing ? tr("Replace") : tr("Find"));
    for (QWidget* widget : {static_cast<QWidget*>(m_replaceLabel), static_cast<QWidget*>(edtReplace),
                            static_cast<QWidget*>(m_replace), static_cast<QWidget*>(m_replaceAll)})
        widget->setVisible(replacing);
    if (SqlEditor* editor = m_editor()) {
        const QString selected = editor->selectedText();
        if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n')))
            edtFind->setText(selected);
    }
    m_result->clear();
    adjustSize();
    show();
    raise();
    activateWindow();
    edtFind->setFocus();
    edtFind->selectAll();
}

void TfrmFind::showResult(const QString& text)
{
    m_result->setText(text);
}

void TfrmFind::notFound()
{
    showResult(tr("\"%1\" was not found.").arg(edtFind->text()));
}

bool TfrmFind::findNext(bool forward)
{
    m_wrapped = false;
    SqlEditor* editor = m_editor();
    if (!editor || edtFind->text().isEmpty())
        return false;
    int line = 0;
    int index = 0;
    editor->getCursorPosition(&line, &index);
    const std::pair<int, int> before{line, index};
    const bool found = editor->findNext(edtFind->text(), chkMatchCase->isChecked(),
                                        chkWholeWord->isChecked(), forward);
    if (!found) {
        notFound();
        return false;
    }
    // The match lies before where the search began (after, searching back):
    // it went on from the other end.
    int fromLine = 0;
    int fromIndex = 0;
    int toLine = 0;
    int toIndex = 0;
    editor->getSelection(&fromLine, &fromIndex, &toLine, &toIndex);
    m_wrapped = forward ? std::pair{fromLine, fromIndex} < before
                        : std::pair{toLine, toIndex} > before;
    showResult(!m_wrapped ? QString()
                   : forward ? tr("Passed the end of the page; found from the start.")
                             : tr("Passed the start of the page; found from the end."));
    uncover(editor);
    return true;
}

void TfrmFind::uncover(SqlEditor* editor)
{
    if (!isVisible())
        return;
    // The line of the match, on the screen.
    const QPoint caret = editor->caretGlobalPosition();
    const int height = editor->fontMetrics().height() * 2;
    const QRect match(editor->mapToGlobal(QPoint(0, 0)).x(), caret.y() - height,
                      editor->width(), height * 2);
    QRect box = frameGeometry();
    if (!box.intersects(match))
        return;
    // Below the match when it is in the upper half of the editor, else above.
    const int middle = editor->mapToGlobal(editor->rect().center()).y();
    if (caret.y() < middle)
        box.moveTop(match.bottom() + 1);
    else
        box.moveBottom(match.top() - 1);
    move(box.topLeft());
}

bool TfrmFind::replaceNext()
{
    SqlEditor* editor = m_editor();
    if (!editor || edtFind->text().isEmpty())
        return false;
    const bool found = editor->replaceAndFindNext(edtFind->text(), edtReplace->text(),
                                                  chkMatchCase->isChecked(),
                                                  chkWholeWord->isChecked());
    if (!found)
        notFound();
    return found;
}

int TfrmFind::replaceAll()
{
    SqlEditor* editor = m_editor();
    if (!editor || edtFind->text().isEmpty())
        return 0;
    const int count = editor->replaceAll(edtFind->text(), edtReplace->text(),
                                         chkMatchCase->isChecked(), chkWholeWord->isChecked());
    showResult(count == 1 ? tr("1 replacement.")
                          : tr("%1 replacements.").arg(count));
    return count;
}

} // namespace varnett::ui
