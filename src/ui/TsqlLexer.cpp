#include "ui/TsqlLexer.h"

#include "sqltext/TsqlStyles.h"

#include <Qsci/qsciscintilla.h>

#include <QColor>

#include <vector>

namespace varnett::ui {

using sqltext::kTsqlStyleCount;
using sqltext::TsqlStyle;

TsqlLexer::TsqlLexer(const QFont& font, QObject* parent)
    : QsciLexerCustom(parent)
    , m_font(font)
{
    setDefaultFont(font);
    for (int style = 0; style < kTsqlStyleCount; ++style) {
        setFont(defaultFont(style), style);
        setColor(defaultColor(style), style);
        setPaper(defaultPaper(style), style);
    }
}

QString TsqlLexer::description(int style) const
{
    switch (static_cast<TsqlStyle>(style)) {
    case TsqlStyle::Default: return tr("Default");
    case TsqlStyle::LineComment: return tr("Line comment");
    case TsqlStyle::BlockComment: return tr("Block comment");
    case TsqlStyle::Keyword: return tr("Keyword");
    case TsqlStyle::DataType: return tr("Data type");
    case TsqlStyle::Function: return tr("Function");
    case TsqlStyle::String: return tr("String");
    case TsqlStyle::Name: return tr("Delimited name");
    case TsqlStyle::Number: return tr("Number");
    case TsqlStyle::Variable: return tr("Variable");
    case TsqlStyle::Operator: return tr("Operator");
    }
    return {};
}

QColor TsqlLexer::defaultColor(int style) const
{
    switch (static_cast<TsqlStyle>(style)) {
    case TsqlStyle::LineComment:
    case TsqlStyle::BlockComment: return QColor(0x00, 0x80, 0x00);
    case TsqlStyle::Keyword: return QColor(0x00, 0x00, 0xff);
    case TsqlStyle::DataType: return QColor(0x2b, 0x91, 0xaf);
    case TsqlStyle::Function: return QColor(0xc0, 0x00, 0xc0);
    case TsqlStyle::String: return QColor(0xa3, 0x15, 0x15);
    case TsqlStyle::Name: return QColor(0x6f, 0x42, 0x00);
    case TsqlStyle::Number: return QColor(0x09, 0x86, 0x58);
    case TsqlStyle::Variable: return QColor(0x80, 0x00, 0x80);
    case TsqlStyle::Operator: return QColor(0x60, 0x60, 0x60);
    case TsqlStyle::Default: break;
    }
    return QColor(Qt::black);
}

QFont TsqlLexer::defaultFont(int style) const
{
    QFont font = m_font;
    if (style == static_cast<int>(TsqlStyle::Keyword))
        font.setBold(true);
    if (style == static_cast<int>(TsqlStyle::LineComment)
        || style == static_cast<int>(TsqlStyle::BlockComment))
        font.setItalic(true);
    return font;
}

QColor TsqlLexer::defaultPaper(int) const
{
    return QColor(Qt::white);
}

const char* TsqlLexer::wordCharacters() const
{
    return "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_@#$";
}

const char* TsqlLexer::blockStartKeyword(int* style) const
{
    if (style)
        *style = static_cast<int>(TsqlStyle::Keyword);
    return nullptr;
}

const char* TsqlLexer::blockStart(int* style) const
{
    if (style)
        *style = static_cast<int>(TsqlStyle::Keyword);
    return nullptr;
}

const char* TsqlLexer::blockEnd(int* style) const
{
    if (style)
        *style = static_cast<int>(TsqlStyle::Keyword);
    return nullptr;
}

int TsqlLexer::braceStyle() const
{
    return static_cast<int>(TsqlStyle::Operator);
}

void TsqlLexer::styleText(int start, int end)
{
    QsciScintilla* sci = editor();
    if (!sci || end <= start)
        return;
    const int firstLine = static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, start));
    const int lastLine = static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, end));
    sqltext::TokenState state;
    if (firstLine > 0)
        state = sqltext::TokenState::decode(
            static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_GETLINESTATE, firstLine - 1)));
    const int lineStart = static_cast<int>(sci->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, firstLine));
    startStyling(lineStart);
    std::vector<sqltext::StyledToken> tokens;
    for (int line = firstLine; line <= lastLine; ++line) {
        const long from = sci->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line);
        const long to = line + 1 < sci->lines()
            ? sci->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line + 1)
            : sci->SendScintilla(QsciScintilla::SCI_GETLENGTH);
        const QByteArray bytes = sci->bytes(static_cast<int>(from), static_cast<int>(to));
        const std::string_view text(bytes.constData(),
                                    static_cast<std::size_t>(std::min<qsizetype>(bytes.size(), to - from)));
        tokens.clear();
        state = sqltext::styleTsql(text, state, tokens);
        for (const sqltext::StyledToken& token : tokens)
            setStyling(token.length, static_cast<int>(token.style));
        sci->SendScintilla(QsciScintilla::SCI_SETLINESTATE, line, state.encode());
    }
}

} // namespace varnett::ui
