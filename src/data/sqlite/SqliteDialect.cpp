#include "data/sqlite/SqliteDialect.h"

namespace varnett::data {

namespace {

std::string backticked(std::string_view name)
{
    std::string out = "`";
    for (char c : name) {
        out += c;
        if (c == '`')
            out += '`';
    }
    out += '`';
    return out;
}

// Index of the next token at or after i that is not a blank, or last.
std::size_t skipSpace(const std::vector<Token>& all, std::size_t i, std::size_t last)
{
    while (i < last && all[i].kind == Token::Kind::Space)
        ++i;
    return i;
}

// When tokens[i] starts "varchar ( max )" (or nvarchar, varbinary), the index
// of the closing parenthesis; otherwise 0.
std::size_t maxTypeEnd(const TsqlTokens& tokens, std::size_t i, std::size_t last)
{
    const auto& all = tokens.tokens();
    if (!tokens.isKeyword(all[i], "VARCHAR") && !tokens.isKeyword(all[i], "NVARCHAR")
        && !tokens.isKeyword(all[i], "VARBINARY"))
        return 0;
    std::size_t open = skipSpace(all, i + 1, last);
    if (open >= last || !tokens.isSymbol(all[open], '('))
        return 0;
    std::size_t max = skipSpace(all, open + 1, last);
    if (max >= last || !tokens.isKeyword(all[max], "MAX"))
        return 0;
    std::size_t close = skipSpace(all, max + 1, last);
    if (close >= last || !tokens.isSymbol(all[close], ')'))
        return 0;
    return close;
}

bool isStringToken(const Token& token)
{
    return token.kind == Token::Kind::String || token.kind == Token::Kind::NString;
}

// True when the "+" at i joins strings: a string literal stands before it,
// or a string literal or a character function (NCHAR, CHAR) after it.
bool joinsStrings(const TsqlTokens& tokens, std::size_t i, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    std::size_t before = i;
    while (before > first && !all[before - 1].significant())
        --before;
    if (before > first && isStringToken(all[before - 1]))
        return true;
    std::size_t after = i + 1;
    while (after < last && !all[after].significant())
        ++after;
    return after < last
        && (isStringToken(all[after]) || tokens.isKeyword(all[after], "NCHAR")
            || tokens.isKeyword(all[after], "CHAR"));
}

// True when the token at i is the schema dbo before a dot that starts a
// name ("dbo.Orders", "[dbo].[Orders]"), not itself after a dot: the
// objects of dbo live in SQLite's main database.
bool isDboQualifier(const TsqlTokens& tokens, std::size_t i, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    if (!equalsIgnoringCase(tokens.nameValue(all[i]), "dbo") || i + 2 >= last
        || !tokens.isSymbol(all[i + 1], '.') || !TsqlTokens::isNamePart(all[i + 2]))
        return false;
    return i == first || !tokens.isSymbol(all[i - 1], '.');
}

} // namespace

std::string toSqliteText(const TsqlTokens& tokens, std::size_t first, std::size_t last)
{
    const auto& all = tokens.tokens();
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        const Token& token = all[i];
        std::string_view raw = tokens.text(token);
        switch (token.kind) {
        case Token::Kind::LineComment:
        case Token::Kind::BlockComment:
            out += ' ';
            break;
        case Token::Kind::NString:
            out += raw.substr(1);
            break;
        case Token::Kind::Binary: {
            std::string_view digits = raw.substr(2);
            out += "X'";
            if (digits.size() % 2 != 0)
                out += '0';
            out += digits;
            out += '\'';
            break;
        }
        case Token::Kind::Bracketed: {
            std::string name = tokens.nameValue(token);
            if (isDboQualifier(tokens, i, first, last)) {
                out += "main";
                break;
            }
            if (!token.unterminated && name.find(']') != std::string::npos)
                out += backticked(name);
            else
                out += raw;
            break;
        }
        case Token::Kind::Word:
            if (isDboQualifier(tokens, i, first, last)) {
                out += "main";
                break;
            }
            if (std::size_t close = maxTypeEnd(tokens, i, last)) {
                out += '"';
                out += raw;
                out += "(max)\"";
                i = close;
                break;
            }
            out += raw;
            break;
        case Token::Kind::Symbol:
            out += tokens.isSymbol(token, '+') && joinsStrings(tokens, i, first, last) ? "||" : raw;
            break;
        default:
            out += raw;
            break;
        }
    }
    return out;
}

} // namespace varnett::data
