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

    // The next word in upper case; empty at the end.
    std::string next()
    {
        Token token;
        while (m_reader.next(token))
            if (token.kind == Token::Kind::Word || token.kind == Token::Kind::Number
                || token.kind == Token::Kind::Binary)
                return toUpperAscii(m_reader.text().substr(token.begin, token.end - token.begin));
        return {};
    }

private:
    TokenReader m_reader;
};

bool isOneOf(const std::string& word, std::initializer_list<std::string_view> words)
{
    for (std::string_view w : words)
        if (word == w)
            return true;
    return false;
}

} // namespace

std::optional<std::string> statementRefusedInTransaction(std::string_view batch)
{
    Words words(batch);
    // A window of three words moves over the batch.
    std::array<std::string, 3> w = {words.next(), words.next(), words.next()};
    for (; !w[0].empty(); w = {std::move(w[1]), std::move(w[2]), words.next()}) {
        if (isOneOf(w[0], {"BACKUP", "RESTORE", "RECONFIGURE"}))
            return w[0];
        if (!isOneOf(w[0], {"CREATE", "ALTER", "DROP"}))
            continue;
        // DATABASE SCOPED CREDENTIAL, DATABASE AUDIT SPECIFICATION and the
        // like are objects inside a database, which a transaction holds.
        if (w[1] == "DATABASE" && !isOneOf(w[2], {"SCOPED", "AUDIT", "ENCRYPTION"}))
            return w[0] + " DATABASE";
        if (w[1] == "FULLTEXT" && isOneOf(w[2], {"CATALOG", "INDEX"}))
            return w[0] + " FULLTEXT " + w[2];
    }
    return std::nullopt;
}

} // namespace varnett::sqltext
