#include "sqltext/TsqlStyles.h"

#include "sqltext/AsciiText.h"

#include <string>
#include <unordered_set>

namespace varnett::sqltext {

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

constexpr std::string_view kOperators = "+-*/%=<>!&|^~(),;.";

TsqlStyle styleOf(std::string_view text, const Token& token)
{
    const std::string_view raw = text.substr(token.begin, token.end - token.begin);
    switch (token.kind) {
    case Token::Kind::LineComment:
        return TsqlStyle::LineComment;
    case Token::Kind::BlockComment:
        return TsqlStyle::BlockComment;
    case Token::Kind::Word:
        return raw.front() == '@' ? TsqlStyle::Variable : wordStyle(raw);
    case Token::Kind::Bracketed:
    case Token::Kind::Quoted:
        return TsqlStyle::Name;
    case Token::Kind::String:
    case Token::Kind::NString:
        return TsqlStyle::String;
    case Token::Kind::Number:
    case Token::Kind::Binary:
        return TsqlStyle::Number;
    case Token::Kind::Symbol:
        return kOperators.find(raw.front()) != std::string_view::npos ? TsqlStyle::Operator
                                                                     : TsqlStyle::Default;
    default:
        return TsqlStyle::Default;
    }
}

} // namespace

TsqlStyle wordStyle(std::string_view word)
{
    const std::string upper = toUpperAscii(word);
    if (keywords().count(upper))
        return TsqlStyle::Keyword;
    if (dataTypes().count(upper))
        return TsqlStyle::DataType;
    if (functions().count(upper))
        return TsqlStyle::Function;
    return TsqlStyle::Default;
}

TokenState styleTsql(std::string_view text, TokenState state, std::vector<StyledToken>& runs)
{
    TokenReader reader(text, state);
    Token token;
    while (reader.next(token)) {
        const TsqlStyle style = styleOf(text, token);
        const int start = static_cast<int>(token.begin);
        const int length = static_cast<int>(token.end - token.begin);
        if (!runs.empty() && runs.back().style == style
            && runs.back().start + runs.back().length == start)
            runs.back().length += length;
        else
            runs.push_back({start, length, style});
    }
    return reader.state();
}

} // namespace varnett::sqltext
