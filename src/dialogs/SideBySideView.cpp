#include "dialogs/SideBySideView.h"

#include "sqltext/SideBySide.h"
#include "ui/SqlEditor.h"

#include <QColor>
#include <QLabel>
#include <QScrollBar>
#include <QSplitter>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace varnett {

namespace {

using Kind = sqltext::SideBySideRow::Kind;

ui::SqlEditor* makeEditor(QWidget* parent, const char* name)
{
    auto* editor = new ui::SqlEditor(parent);
    editor->setObjectName(QString::fromLatin1(name));
    editor->setReadOnly(true);
    // The markers colour whole lines; the caret line would hide them.
    editor->setCaretLineVisible(false);
    editor->setMarginType(0, QsciScintilla::TextMarginRightJustified);
    editor->markerDefine(QsciScintilla::Background, SideBySideView::RemovedMarker);
    editor->setMarkerBackgroundColor(QColor(0xff, 0xd7, 0xd5), SideBySideView::RemovedMarker);
    editor->markerDefine(QsciScintilla::Background, SideBySideView::AddedMarker);
    editor->setMarkerBackgroundColor(QColor(0xd4, 0xf5, 0xd4), SideBySideView::AddedMarker);
    editor->markerDefine(QsciScintilla::Background, SideBySideView::ChangedMarker);
    editor->setMarkerBackgroundColor(QColor(0xff, 0xf0, 0xb3), SideBySideView::ChangedMarker);
    editor->markerDefine(QsciScintilla::Background, SideBySideView::FillerMarker);
    editor->setMarkerBackgroundColor(QColor(0xe4, 0xe4, 0xe4), SideBySideView::FillerMarker);
    return editor;
}

QWidget* pane(QWidget* parent, QLabel* label, ui::SqlEditor* editor)
{
    auto* widget = new QWidget(parent);
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    label->setParent(widget);
    editor->setParent(widget);
    layout->addWidget(label);
    layout->addWidget(editor, 1);
    return widget;
}

// One side of the rows: its lines (a filler line empty) and the marker of
// each line, none for an equal line.
struct Side {
    QStringList lines;
    std::vector<std::optional<int>> markers;
};

void addLine(Side& side, const std::optional<std::string>& line, std::optional<int> marker)
{
    QString text = line ? QString::fromStdString(*line) : QString();
    // The line's own CR LF shows as a line end, as any other.
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    side.lines << text;
    side.markers.push_back(line ? marker : std::optional<int>(SideBySideView::FillerMarker));
}

void showSide(ui::SqlEditor* editor, const Side& side)
{
    editor->setPlainText(side.lines.join(QLatin1Char('\n')));
    editor->markerDeleteAll();
    editor->clearMarginText();
    int number = 0;
    for (int line = 0; line < side.lines.size(); ++line) {
        const std::optional<int> marker = side.markers[static_cast<std::size_t>(line)];
        if (marker)
            editor->markerAdd(line, *marker);
        if (marker != SideBySideView::FillerMarker)
            editor->setMarginText(line, QString::number(++number), QsciScintillaBase::STYLE_LINENUMBER);
    }
    editor->setMarginWidth(0, QStringLiteral("0%1").arg(number));
}

// Each scroll bar follows the other; setting the value it already has
// does nothing, so the two do not chase each other.
void follow(QScrollBar* a, QScrollBar* b)
{
    QObject::connect(a, &QScrollBar::valueChanged, b, &QScrollBar::setValue);
    QObject::connect(b, &QScrollBar::valueChanged, a, &QScrollBar::setValue);
}

// The editor scrolls itself too (the caret moved by keys, a search), and
// then tells its scroll bars without their signals: the other editor follows
// when the view is next updated.
void followScrolling(ui::SqlEditor* from, ui::SqlEditor* to)
{
    QObject::connect(from, &QsciScintillaBase::SCN_UPDATEUI, to, [from, to](int updated) {
        if (updated & QsciScintillaBase::SC_UPDATE_V_SCROLL && to->firstVisibleLine() != from->firstVisibleLine())
            to->setFirstVisibleLine(from->firstVisibleLine());
        if (updated & QsciScintillaBase::SC_UPDATE_H_SCROLL) {
            const long offset = from->SendScintilla(QsciScintillaBase::SCI_GETXOFFSET);
            if (to->SendScintilla(QsciScintillaBase::SCI_GETXOFFSET) != offset)
                to->SendScintilla(QsciScintillaBase::SCI_SETXOFFSET, static_cast<unsigned long>(offset));
        }
    });
}

// Both editors scroll as far as the longest line of either text, so their
// horizontal scroll bars have one range and follow each other exactly. (The
// width still grows where the colouring makes a line wider.)
void matchScrollWidths(ui::SqlEditor* a, ui::SqlEditor* b, const Side& left, const Side& right)
{
    long widest = 1;
    for (const Side* side : {&left, &right})
        for (const QString& line : side->lines) {
            const QByteArray bytes = line.toUtf8();
            widest = std::max(widest, a->SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH,
                                                                 QsciScintillaBase::STYLE_DEFAULT, bytes.constData()));
        }
    for (ui::SqlEditor* editor : {a, b})
        editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTH, static_cast<unsigned long>(widest + widest / 10));
}

} // namespace

SideBySideView::SideBySideView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SideBySideView"));
    edtDatabase = makeEditor(this, "edtDatabase");
    edtFolder = makeEditor(this, "edtFolder");
    lblDatabase = new QLabel(tr("Database"), this);
    lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
    lblFolder = new QLabel(tr("Folder"), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    splTexts = new QSplitter(Qt::Horizontal, this);
    splTexts->setObjectName(QStringLiteral("splTexts"));
    splTexts->addWidget(pane(splTexts, lblDatabase, edtDatabase));
    splTexts->addWidget(pane(splTexts, lblFolder, edtFolder));
    splTexts->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splTexts);
    follow(edtDatabase->verticalScrollBar(), edtFolder->verticalScrollBar());
    follow(edtDatabase->horizontalScrollBar(), edtFolder->horizontalScrollBar());
    followScrolling(edtDatabase, edtFolder);
    followScrolling(edtFolder, edtDatabase);
}

void SideBySideView::setTexts(const std::string& database, const std::string& folder)
{
    Side left;
    Side right;
    for (const sqltext::SideBySideRow& row : sqltext::sideBySide(database, folder)) {
        const std::optional<int> marker = row.kind == Kind::Same ? std::nullopt
            : row.kind == Kind::Changed                          ? std::optional<int>(ChangedMarker)
            : row.kind == Kind::Removed                          ? std::optional<int>(RemovedMarker)
                                                                 : std::optional<int>(AddedMarker);
        addLine(left, row.left, marker);
        addLine(right, row.right, marker);
    }
    showSide(edtDatabase, left);
    showSide(edtFolder, right);
    matchScrollWidths(edtDatabase, edtFolder, left, right);
}

void SideBySideView::clearTexts()
{
    showSide(edtDatabase, {});
    showSide(edtFolder, {});
}

} // namespace varnett
