#include "sqltext/TransactionRules.h"

#include "sqltext/AsciiText.h"
#include "sqltext/TsqlTokens.h"

#include <array>

namespace varnett::sqltext {

namespace {

// Walks the words of a batch (numbers count as words), passing over strings,
// quoted names and comments.
class Words {
public:
    explicit Words(std::string_view text) : m_reader(text) {}

    // The next word as written; empty at the end.
    std::string_view next()
    {
        Token token;
        while (m_reader.next(token))
            if (token.kind == Token::Kind::Word || token.kind == Token::Kind::Number
                || token.kind == Token::Kind::Binary)
                return m_reader.text().substr(token.begin, token.end - token.begin);
        return {};
    }

private:
    TokenReader m_reader;
};

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words)
        if (equalsNoCase(word, w))
            return true;
    return false;
}

} // namespace

std::optional<std::string> statementRefusedInTransaction(std::string_view batch)
{
    Words words(batch);
    // A window of three words moves over the batch.
    std::array<std::string_view, 3> w = {words.next(), words.next(), words.next()};
    for (; !w[0].empty(); w = {w[1], w[2], words.next()}) {
        if (isOneOf(w[0], {"BACKUP", "RESTORE", "RECONFIGURE"}))
            return toUpperAscii(w[0]);
        if (!isOneOf(w[0], {"CREATE", "ALTER", "DROP"}))
            continue;
        // DATABASE SCOPED CREDENTIAL, DATABASE AUDIT SPECIFICATION and the
        // like are objects inside a database, which a transaction holds.
        if (equalsNoCase(w[1], "DATABASE") && !isOneOf(w[2], {"SCOPED", "AUDIT", "ENCRYPTION"}))
            return toUpperAscii(w[0]) + " DATABASE";
        if (equalsNoCase(w[1], "FULLTEXT") && isOneOf(w[2], {"CATALOG", "INDEX"}))
            return toUpperAscii(w[0]) + " FULLTEXT " + toUpperAscii(w[2]);
    }
    return std::nullopt;
}

std::vector<std::string> schemasCreated(std::string_view batch)
{
    TsqlTokens tokens(batch);
    std::vector<const Token*> significant;
    for (const Token& token : tokens.tokens())
        if (token.significant())
            significant.push_back(&token);
    std::vector<std::string> schemas;
    for (std::size_t i = 0; i < significant.size(); ++i) {
        const Token& token = *significant[i];
        if (token.kind == Token::Kind::String || token.kind == Token::Kind::NString) {
            for (std::string& inner : schemasCreated(tokens.stringValue(token)))
                schemas.push_back(std::move(inner));
        } else if (tokens.isKeyword(token, "CREATE") && i + 2 < significant.size()
                   && tokens.isKeyword(*significant[i + 1], "SCHEMA")
                   && TsqlTokens::isNamePart(*significant[i + 2])) {
            schemas.push_back(tokens.nameValue(*significant[i + 2]));
        }
    }
    return schemas;
}

} // namespace varnett::sqltext
