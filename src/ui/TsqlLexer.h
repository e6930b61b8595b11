#pragma once

#include <Qsci/qscilexercustom.h>

#include <QFont>

namespace varnett::ui {

// Colours T-SQL in an editor: keywords, data types, functions, strings
// (also N''), [bracketed] and "quoted" names, -- and /* */ comments,
// numbers and @variables. Each line keeps the state its end leaves open,
// so a change restyles from its own line on.
class TsqlLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit TsqlLexer(const QFont& font, QObject* parent = nullptr);

    const char* language() const override { return "T-SQL"; }
    QString description(int style) const override;
    QColor defaultColor(int style) const override;
    QFont defaultFont(int style) const override;
    QColor defaultPaper(int style) const override;
    const char* wordCharacters() const override;
    const char* blockStartKeyword(int* style = nullptr) const override;
    const char* blockEnd(int* style = nullptr) const override;
    const char* blockStart(int* style = nullptr) const override;
    int braceStyle() const override;
    bool caseSensitive() const override { return false; }

    void styleText(int start, int end) override;

private:
    QFont m_font;
};

} // namespace varnett::ui
