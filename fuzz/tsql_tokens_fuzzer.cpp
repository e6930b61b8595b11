// The T-SQL tokenizer every reader of T-SQL text uses: the embedded
// engine's planner, the transaction rules, callee detection and the editor's
// colouring, which reads the text line by line.
#include "FuzzCheck.h"

#include "sqltext/Identifiers.h"
#include "sqltext/TsqlStyles.h"
#include "sqltext/TsqlTokens.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using varnett::sqltext::Backticks;
using varnett::sqltext::StyledToken;
using varnett::sqltext::Token;
using varnett::sqltext::TokenState;
using varnett::sqltext::TsqlStyle;
using varnett::sqltext::TsqlTokens;

namespace {

void checkTokens(std::string_view text)
{
    const TsqlTokens tokens(text, Backticks::Names);
    // Every byte belongs to exactly one token, in order.
    std::size_t at = 0;
    int line = 0;
    for (const Token& token : tokens.tokens()) {
        FUZZ_CHECK(token.begin == at);
        FUZZ_CHECK(token.end > token.begin && token.end <= text.size());
        FUZZ_CHECK(token.line >= line && token.endLine >= token.line);
        at = token.end;
        line = token.endLine;
        // A closed bracketed name or string is the quoting of its value.
        if (token.unterminated)
            continue;
        if (token.kind == Token::Kind::Bracketed)
            FUZZ_CHECK(varnett::sqltext::bracketQuote(tokens.nameValue(token)) == tokens.text(token));
        if (token.kind == Token::Kind::String)
            FUZZ_CHECK(varnett::sqltext::stringLiteral(tokens.stringValue(token), false)
                       == tokens.text(token));
        if (token.kind == Token::Kind::NString) // N or n before the quote
            FUZZ_CHECK(varnett::sqltext::stringLiteral(tokens.stringValue(token), true).substr(1)
                       == tokens.text(token).substr(1));
    }
    FUZZ_CHECK(at == text.size());
}

// The style of every byte, from runs that must cover the text in order.
std::vector<TsqlStyle> byteStyles(const std::vector<StyledToken>& runs, std::size_t size)
{
    std::vector<TsqlStyle> styles;
    for (const StyledToken& run : runs) {
        FUZZ_CHECK(run.length > 0 && static_cast<std::size_t>(run.start) == styles.size());
        styles.insert(styles.end(), static_cast<std::size_t>(run.length), run.style);
    }
    FUZZ_CHECK(styles.size() == size);
    return styles;
}

// The editor colours a line from the state the line before left: line by
// line gives every byte the style the whole text gives it.
void checkStyles(std::string_view text)
{
    std::vector<StyledToken> runs;
    const TokenState end = varnett::sqltext::styleTsql(text, {}, runs);
    const std::vector<TsqlStyle> whole = byteStyles(runs, text.size());

    std::vector<TsqlStyle> byLines;
    TokenState state;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lineEnd = std::min(text.find('\n', start), text.size() - 1) + 1;
        const std::string_view line = text.substr(start, lineEnd - start);
        runs.clear();
        state = TokenState::decode(varnett::sqltext::styleTsql(line, state, runs).encode());
        const std::vector<TsqlStyle> styles = byteStyles(runs, line.size());
        byLines.insert(byLines.end(), styles.begin(), styles.end());
        start = lineEnd;
    }
    FUZZ_CHECK(byLines == whole);
    FUZZ_CHECK(state == end);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkTokens(text);
    checkStyles(text);

    // Quote then tokenize gives the name back, as one token.
    const std::string quoted = varnett::sqltext::bracketQuote(text);
    const TsqlTokens name(quoted);
    FUZZ_CHECK(name.tokens().size() == 1);
    FUZZ_CHECK(name.tokens()[0].kind == Token::Kind::Bracketed && !name.tokens()[0].unterminated);
    FUZZ_CHECK(name.nameValue(name.tokens()[0]) == text);

    const std::string literal = varnett::sqltext::stringLiteral(text, true);
    const TsqlTokens string(literal);
    FUZZ_CHECK(string.tokens().size() == 1);
    FUZZ_CHECK(string.tokens()[0].kind == Token::Kind::NString);
    FUZZ_CHECK(string.stringValue(string.tokens()[0]) == text);
    return 0;
}
