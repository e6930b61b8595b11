#include "sqltext/TransactionRules.h"

#include <array>

namespace varnett::sqltext {

namespace {

bool isWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
        || c == '@' || c == '#' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

std::string upper(std::string_view word)
{
    std::string out(word);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Walks the words of a batch, skipping strings, quoted names and comments.
class Words {
public:
    explicit Words(std::string_view text) : m_text(text) {}

    // The next word in upper case; empty at the end.
    std::string next()
    {
        const std::size_t size = m_text.size();
        while (m_pos < size) {
            char c = m_text[m_pos];
            if (c == '\'' || c == '"') {
                skipQuoted(c, c);
            } else if (c == '[') {
                skipQuoted('[', ']');
            } else if (c == '-' && m_pos + 1 < size && m_text[m_pos + 1] == '-') {
                std::size_t end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? size : end;
            } else if (c == '/' && m_pos + 1 < size && m_text[m_pos + 1] == '*') {
                skipBlockComment();
            } else if (isWordChar(c)) {
                std::size_t start = m_pos;
                while (m_pos < size && isWordChar(m_text[m_pos]))
                    ++m_pos;
                return upper(m_text.substr(start, m_pos - start));
            } else {
                ++m_pos;
            }
        }
        return {};
    }

private:
    // A quoted piece: the closing quote doubled stands for itself.
    void skipQuoted(char, char close)
    {
        ++m_pos;
        while (m_pos < m_text.size()) {
            std::size_t end = m_text.find(close, m_pos);
            if (end == std::string_view::npos) {
                m_pos = m_text.size();
                return;
            }
            m_pos = end + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == close)
                ++m_pos;
            else
                return;
        }
    }

    // T-SQL block comments nest.
    void skipBlockComment()
    {
        int depth = 0;
        while (m_pos < m_text.size()) {
            if (m_text.compare(m_pos, 2, "/*") == 0) {
                ++depth;
                m_pos += 2;
            } else if (m_text.compare(m_pos, 2, "*/") == 0) {
                m_pos += 2;
                if (--depth == 0)
                    return;
            } else {
                ++m_pos;
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
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
