#include "sqltext/Identifiers.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Quoting.h"
#include "sqltext/UnicodeClasses.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace varnett::sqltext {

namespace {

// Reserved keywords of T-SQL, upper case, sorted for binary search.
constexpr std::array<std::string_view, 184> kReserved = {
    "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN",
    "BETWEEN", "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT",
    "CLOSE", "CLUSTERED", "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT",
    "CONTAINS", "CONTAINSTABLE", "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT",
    "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE",
    "DBCC", "DEALLOCATE", "DECLARE", "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT",
    "DISTRIBUTED", "DOUBLE", "DROP", "DUMP", "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT",
    "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL", "FETCH", "FILE", "FILLFACTOR", "FOR",
    "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL", "FUNCTION", "GOTO", "GRANT",
    "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITYCOL", "IDENTITY_INSERT", "IF", "IN",
    "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "KILL", "LEFT",
    "LIKE", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK", "NONCLUSTERED", "NOT", "NULL",
    "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN", "OPENDATASOURCE", "OPENQUERY",
    "OPENROWSET", "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PIVOT",
    "PLAN", "PRECISION", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR",
    "READ", "READTEXT", "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT",
    "RETURN", "REVERT", "REVOKE", "RIGHT", "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL", "RULE",
    "SAVE", "SCHEMA", "SECURITYAUDIT", "SELECT", "SEMANTICKEYPHRASETABLE",
    "SEMANTICSIMILARITYDETAILSTABLE", "SEMANTICSIMILARITYTABLE", "SESSION_USER", "SET",
    "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE", "TABLESAMPLE",
    "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
    "TRY_CONVERT", "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATE", "UPDATETEXT", "USE",
    "USER", "VALUES", "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH",
    "WRITETEXT",
};

// Characters a regular identifier may hold after its first: letters and
// decimal digits (by Unicode), "_", "@", "#" and "$".
bool isIdentifierChar(char32_t c)
{
    return isUnicodeLetter(c) || isUnicodeDigit(c) || c == U'_' || c == U'@' || c == U'#'
        || c == U'$';
}

bool isIdentifierStart(char32_t c)
{
    return isUnicodeLetter(c) || c == U'_' || c == U'@' || c == U'#';
}

} // namespace

std::string bracketQuote(std::string_view name)
{
    std::string out;
    appendQuoted(out, name, "[", ']');
    return out;
}

std::string stringLiteral(std::string_view text, bool unicode)
{
    std::string out;
    appendQuoted(out, text, unicode ? "N'" : "'", '\'');
    return out;
}

bool isRegularIdentifier(std::string_view name)
{
    if (name.empty())
        return false;
    std::size_t pos = 0;
    if (!isIdentifierStart(nextCodePoint(name, pos)))
        return false;
    while (pos < name.size())
        if (!isIdentifierChar(nextCodePoint(name, pos)))
            return false;
    return true;
}

bool isBareName(std::string_view name)
{
    return isRegularIdentifier(name) && name.front() != '#' && name.front() != '@';
}

bool isReservedKeyword(std::string_view name)
{
    const std::string upper = toUpperAscii(name);
    return std::binary_search(kReserved.begin(), kReserved.end(), std::string_view(upper));
}

std::string quoteIfNeeded(std::string_view name)
{
    if (isBareName(name) && !isReservedKeyword(name))
        return std::string(name);
    return bracketQuote(name);
}

std::string variableSafe(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const char32_t c = nextCodePoint(name, pos);
        if (isUnicodeLetter(c) || isUnicodeDigit(c) || c == U'_')
            out.append(name.substr(start, pos - start));
        else
            out += '_';
    }
    return out;
}

std::vector<std::string> splitMultipartName(std::string_view name)
{
    std::vector<std::string> parts;
    std::string current;
    std::size_t i = 0;
    while (i < name.size()) {
        char c = name[i];
        if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            const std::size_t end = delimitedEnd(name, i + 1, close);
            if (end == std::string_view::npos)
                throw Error("Unterminated " + std::string(c == '[' ? "bracket" : "quote")
                            + " in the name '" + std::string(name) + "'");
            appendUnquoted(current, name.substr(i + 1, end - i - 2), close);
            i = end;
        } else if (c == '.') {
            parts.push_back(std::move(current));
            current.clear();
            ++i;
        } else {
            current += c;
            ++i;
        }
    }
    parts.push_back(std::move(current));
    return parts;
}

} // namespace varnett::sqltext
