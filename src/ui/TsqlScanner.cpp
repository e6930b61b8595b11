#include "ui/TsqlScanner.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <unordered_set>

namespace varnett::ui {

namespace {

using WordSet = std::unordered_set<std::string>;

const WordSet& keywords()
{
    static const WordSet words = {
        "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN",
        "BETWEEN", "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CATCH", "CHECK",
        "CHECKPOINT", "CLOSE", "CLUSTERED", "COLLATE", "COLUMN", "COMMIT", "COMPUTE",
        "CONSTRAINT", "CONTAINS", "CONTINUE", "CREATE", "CROSS", "CURRENT", "CURSOR",
        "DATABASE", "DBCC", "DEALLOCATE", "DECLARE", "DEFAULT", "DELETE", "DENY", "DESC",
        "DISTINCT", "DISTRIBUTED", "DROP", "DUMP", "ELSE", "END", "ERRLVL", "ESCAPE",
        "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL", "FETCH", "FILE",
        "FILLFACTOR", "FIRST", "FOR", "FOREIGN", "FROM", "FULL", "FUNCTION", "GO", "GOTO",
        "GRANT", "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITY_INSERT", "IF", "IN",
        "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "KILL", "LAST",
        "LEFT", "LIKE", "LINENO", "MERGE", "NATIONAL", "NEXT", "NOCHECK", "NOCOUNT",
        "NONCLUSTERED", "NOT", "NULL", "OF", "OFF", "OFFSET", "OFFSETS", "ON", "OPEN",
        "OPTION", "OR", "ORDER", "OUTER", "OUTPUT", "OUT", "OVER", "PERCENT", "PIVOT",
        "PLAN", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR", "READ",
        "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT", "RETURN",
        "RETURNS", "REVERT", "REVOKE", "RIGHT", "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL",
        "RULE", "SAVE", "SCHEMA", "SELECT", "SET", "SETUSER", "SHUTDOWN", "SOME",
        "STATISTICS", "TABLE", "TABLESAMPLE", "THEN", "THROW", "TO", "TOP", "TRAN",
        "TRANSACTION", "TRIGGER", "TRUNCATE", "TRY", "UNION", "UNIQUE", "UNPIVOT",
        "UPDATE", "USE", "USER", "VALUES", "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE",
        "WHILE", "WITH", "WORK", "XACT_ABORT",
    };
    return words;
}

const WordSet& dataTypes()
{
    static const WordSet words = {
        "BIGINT", "BINARY", "BIT", "CHAR", "CHARACTER", "DATE", "DATETIME", "DATETIME2",
        "DATETIMEOFFSET", "DEC", "DECIMAL", "FLOAT", "GEOGRAPHY", "GEOMETRY", "HIERARCHYID",
        "IMAGE", "INT", "INTEGER", "MONEY", "NCHAR", "NTEXT", "NUMERIC", "NVARCHAR", "REAL",
        "ROWVERSION", "SMALLDATETIME", "SMALLINT", "SMALLMONEY", "SQL_VARIANT", "SYSNAME",
        "TEXT", "TIME", "TIMESTAMP", "TINYINT", "UNIQUEIDENTIFIER", "VARBINARY", "VARCHAR",
        "XML",
    };
    return words;
}

const WordSet& functions()
{
    static const WordSet words = {
        "ABS", "AVG", "CAST", "CEILING", "CHARINDEX", "COALESCE", "CONCAT", "CONVERT",
        "COUNT", "COUNT_BIG", "CURRENT_TIMESTAMP", "CURRENT_USER", "DATALENGTH", "DATEADD",
        "DATEDIFF", "DATENAME", "DATEPART", "DAY", "DB_NAME", "ERROR_LINE", "ERROR_MESSAGE",
        "ERROR_NUMBER", "ERROR_PROCEDURE", "ERROR_SEVERITY", "ERROR_STATE", "FLOOR",
        "FORMAT", "GETDATE", "GETUTCDATE", "IIF", "ISDATE", "ISNULL", "ISNUMERIC", "LEN",
        "LOWER", "LTRIM", "MAX", "MIN", "MONTH", "NEWID", "NULLIF", "OBJECT_ID",
        "OBJECTPROPERTY", "PATINDEX", "REPLACE", "REPLICATE", "REVERSE", "ROUND",
        "ROW_NUMBER", "RTRIM", "SCOPE_IDENTITY", "SPACE", "STR", "STUFF", "SUBSTRING", "SUM",
        "SUSER_SNAME", "SYSDATETIME", "TRIM", "TRY_CAST", "TRY_CONVERT", "UPPER", "YEAR",
    };
    return words;
}

bool isWordStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}

bool isWordChar(unsigned char c)
{
    return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

class Scanner {
public:
    Scanner(std::string_view text, std::vector<TsqlToken>& tokens)
        : m_text(text), m_tokens(tokens)
    {
    }

    TsqlState run(TsqlState state)
    {
        m_state = state;
        if (m_state.kind != TsqlState::Normal)
            continueOpen(0);
        while (m_pos < size())
            scanOne();
        return m_state;
    }

private:
    int size() const { return static_cast<int>(m_text.size()); }
    unsigned char at(int i) const
    {
        return i < size() ? static_cast<unsigned char>(m_text[static_cast<std::size_t>(i)]) : 0;
    }

    void emit(int start, int end, TsqlStyle style)
    {
        if (end <= start)
            return;
        if (!m_tokens.empty() && m_tokens.back().style == style
            && m_tokens.back().start + m_tokens.back().length == start) {
            m_tokens.back().length += end - start;
            return;
        }
        m_tokens.push_back({start, end - start, style});
    }

    // Goes on with the open construct of m_state from `start`.
    void continueOpen(int start)
    {
        switch (m_state.kind) {
        case TsqlState::InBlockComment:
            blockComment(start, m_pos);
            break;
        case TsqlState::InString:
            delimited(start, m_pos, '\'', TsqlStyle::String);
            break;
        case TsqlState::InBracketName:
            delimited(start, m_pos, ']', TsqlStyle::Name);
            break;
        case TsqlState::InQuotedName:
            delimited(start, m_pos, '"', TsqlStyle::Name);
            break;
        case TsqlState::Normal:
            break;
        }
    }

    // A block comment from `start`, its body scanned from `from`; comments nest.
    void blockComment(int start, int from)
    {
        int i = from;
        while (i < size() && m_state.depth > 0) {
            if (at(i) == '/' && at(i + 1) == '*') {
                ++m_state.depth;
                i += 2;
            } else if (at(i) == '*' && at(i + 1) == '/') {
                --m_state.depth;
                i += 2;
            } else {
                ++i;
            }
        }
        if (m_state.depth == 0)
            m_state = {};
        emit(start, i, TsqlStyle::BlockComment);
        m_pos = i;
    }

    // A string or delimited name up to its closing character, which is
    // doubled to stand for itself.
    void delimited(int start, int from, char close, TsqlStyle style)
    {
        int i = from;
        bool closed = false;
        while (i < size()) {
            if (at(i) == static_cast<unsigned char>(close)) {
                if (at(i + 1) == static_cast<unsigned char>(close)) {
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            ++i;
        }
        if (closed)
            m_state = {};
        emit(start, i, style);
        m_pos = i;
    }

    void open(TsqlState::Kind kind, int start, int bodyFrom)
    {
        m_state = {kind, kind == TsqlState::InBlockComment ? 1 : 0};
        m_pos = bodyFrom;
        continueOpen(start);
    }

    void scanOne()
    {
        const int start = m_pos;
        const unsigned char c = at(m_pos);
        const unsigned char next = at(m_pos + 1);
        if (c == '-' && next == '-') {
            int end = start;
            while (end < size() && at(end) != '\n' && at(end) != '\r')
                ++end;
            emit(start, end, TsqlStyle::LineComment);
            m_pos = end;
        } else if (c == '/' && next == '*') {
            open(TsqlState::InBlockComment, start, start + 2);
        } else if (c == '\'') {
            open(TsqlState::InString, start, start + 1);
        } else if ((c == 'N' || c == 'n') && next == '\'') {
            open(TsqlState::InString, start, start + 2);
        } else if (c == '[') {
            open(TsqlState::InBracketName, start, start + 1);
        } else if (c == '"') {
            open(TsqlState::InQuotedName, start, start + 1);
        } else if (c == '@') {
            int end = start + 1;
            while (isWordChar(at(end)))
                ++end;
            emit(start, end, TsqlStyle::Variable);
            m_pos = end;
        } else if (isDigit(c) || (c == '.' && isDigit(next))) {
            number(start);
        } else if (isWordStart(c)) {
            int end = start + 1;
            while (isWordChar(at(end)))
                ++end;
            emit(start, end, wordStyle(m_text.substr(static_cast<std::size_t>(start),
                                                     static_cast<std::size_t>(end - start))));
            m_pos = end;
        } else if (std::string_view("+-*/%=<>!&|^~(),;.").find(static_cast<char>(c))
                   != std::string_view::npos) {
            emit(start, start + 1, TsqlStyle::Operator);
            m_pos = start + 1;
        } else {
            emit(start, start + 1, TsqlStyle::Default);
            m_pos = start + 1;
        }
    }

    void number(int start)
    {
        int end = start;
        if (at(end) == '0' && (at(end + 1) == 'x' || at(end + 1) == 'X')) {
            end += 2;
            while (std::isxdigit(at(end)))
                ++end;
        } else {
            while (isDigit(at(end)))
                ++end;
            if (at(end) == '.') {
                ++end;
                while (isDigit(at(end)))
                    ++end;
            }
            if ((at(end) == 'e' || at(end) == 'E')
                && (isDigit(at(end + 1))
                    || ((at(end + 1) == '+' || at(end + 1) == '-') && isDigit(at(end + 2))))) {
                end += 2;
                while (isDigit(at(end)))
                    ++end;
            }
        }
        // 12abc is not a number followed by a word: colour it as one word.
        if (isWordStart(at(end))) {
            while (isWordChar(at(end)))
                ++end;
            emit(start, end, TsqlStyle::Default);
        } else {
            emit(start, end, TsqlStyle::Number);
        }
        m_pos = end;
    }

    std::string_view m_text;
    std::vector<TsqlToken>& m_tokens;
    TsqlState m_state;
    int m_pos = 0;
};

} // namespace

TsqlState TsqlState::decode(int value)
{
    TsqlState state;
    const int kind = value & 0xF;
    if (kind < Normal || kind > InQuotedName)
        return state;
    state.kind = static_cast<Kind>(kind);
    state.depth = value >> 4;
    if (state.kind == InBlockComment && state.depth < 1)
        state.depth = 1;
    if (state.kind != InBlockComment)
        state.depth = 0;
    return state;
}

TsqlStyle wordStyle(std::string_view word)
{
    std::string upper(word);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) {
        return static_cast<char>(std::toupper(c));
    });
    if (keywords().count(upper))
        return TsqlStyle::Keyword;
    if (dataTypes().count(upper))
        return TsqlStyle::DataType;
    if (functions().count(upper))
        return TsqlStyle::Function;
    return TsqlStyle::Default;
}

TsqlState scanTsql(std::string_view text, TsqlState state, std::vector<TsqlToken>& tokens)
{
    return Scanner(text, tokens).run(state);
}

} // namespace varnett::ui
