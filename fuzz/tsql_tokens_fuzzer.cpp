// The T-SQL tokenizer the embedded engine reads every batch with.
#include "FuzzCheck.h"

#include "data/sqlite/TsqlTokens.h"
#include "sqltext/Identifiers.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using varnett::data::Token;
using varnett::data::TsqlTokens;

namespace {

void checkTokens(std::string_view text)
{
    const TsqlTokens tokens(text);
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkTokens(text);

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
