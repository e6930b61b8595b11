#include "sqltext/SchemaStatements.h"

#include "sqltext/AsciiText.h"
#include "sqltext/TsqlTokens.h"

#include <algorithm>
#include <unordered_set>

namespace varnett::sqltext {

namespace {

// Walks the significant tokens of one statement.
class Reader {
public:
    explicit Reader(std::string_view text) : m_tokens(text)
    {
        for (const Token& token : m_tokens.tokens()) {
            if (token.unterminated)
                m_broken = true;
            if (token.significant())
                m_sig.push_back(&token);
        }
        // A statement may end in semicolons.
        while (!m_sig.empty() && m_tokens.isSymbol(*m_sig.back(), ';'))
            m_sig.pop_back();
    }

    bool broken() const { return m_broken; }
    bool atEnd() const { return m_pos >= m_sig.size(); }

    bool keyword(std::string_view word)
    {
        if (atEnd() || !m_tokens.isKeyword(*m_sig[m_pos], word))
            return false;
        ++m_pos;
        return true;
    }
    bool peekKeyword(std::string_view word, std::size_t ahead = 0) const
    {
        return m_pos + ahead < m_sig.size() && m_tokens.isKeyword(*m_sig[m_pos + ahead], word);
    }
    bool symbol(char c)
    {
        if (atEnd() || !m_tokens.isSymbol(*m_sig[m_pos], c))
            return false;
        ++m_pos;
        return true;
    }
    bool peekSymbol(char c) const { return !atEnd() && m_tokens.isSymbol(*m_sig[m_pos], c); }

    // One name part.
    std::optional<std::string> name()
    {
        if (atEnd() || !TsqlTokens::isNamePart(*m_sig[m_pos]))
            return std::nullopt;
        return m_tokens.nameValue(*m_sig[m_pos++]);
    }

    // A name of one or two parts; dbo when it has one.
    std::optional<ObjectName> objectName()
    {
        auto first = name();
        if (!first)
            return std::nullopt;
        if (!symbol('.'))
            return ObjectName{"dbo", *first};
        auto second = name();
        if (!second || peekSymbol('.'))
            return std::nullopt;
        return ObjectName{*first, *second};
    }

    // A number, perhaps signed, as written.
    std::optional<std::string> number()
    {
        std::string sign;
        if (peekSymbol('-') || peekSymbol('+'))
            sign = std::string(m_tokens.text(*m_sig[m_pos++]));
        if (atEnd() || m_sig[m_pos]->kind != Token::Kind::Number)
            return std::nullopt;
        return sign + std::string(m_tokens.text(*m_sig[m_pos++]));
    }

    // The text from the current token up to (not including) the first token
    // at depth 0 that `stop` accepts, or the end; parentheses must balance.
    template <typename Stop>
    std::optional<std::string> expression(Stop stop)
    {
        const std::size_t first = m_pos;
        int depth = 0;
        while (!atEnd()) {
            if (depth == 0 && stop())
                break;
            if (peekSymbol('(')) {
                ++depth;
            } else if (peekSymbol(')')) {
                if (depth == 0)
                    break;
                --depth;
            }
            ++m_pos;
        }
        if (depth != 0 || m_pos == first)
            return std::nullopt;
        return std::string(m_tokens.text().substr(m_sig[first]->begin,
                                                  m_sig[m_pos - 1]->end - m_sig[first]->begin));
    }

    // "( ... )" with what it holds, as written.
    std::optional<std::string> parenthesized()
    {
        if (!peekSymbol('('))
            return std::nullopt;
        const std::size_t first = m_pos;
        int depth = 0;
        do {
            if (peekSymbol('('))
                ++depth;
            else if (peekSymbol(')'))
                --depth;
            ++m_pos;
        } while (depth > 0 && !atEnd());
        if (depth != 0)
            return std::nullopt;
        return std::string(m_tokens.text().substr(m_sig[first]->begin,
                                                  m_sig[m_pos - 1]->end - m_sig[first]->begin));
    }

    // A type: a name of one or two parts and its arguments (numbers or MAX).
    std::optional<std::string> type()
    {
        auto first = name();
        if (!first)
            return std::nullopt;
        std::string text;
        if (symbol('.')) {
            auto second = name();
            if (!second)
                return std::nullopt;
            return bracketed(*first) + "." + bracketed(*second);
        }
        text = toLowerAscii(*first);
        if (text == "integer")
            text = "int";
        if (!symbol('('))
            return text;
        text += '(';
        for (bool firstArgument = true;; firstArgument = false) {
            if (!firstArgument)
                text += ',';
            if (keyword("MAX"))
                text += "max";
            else if (auto digits = number())
                text += *digits;
            else
                return std::nullopt;
            if (symbol(')'))
                break;
            if (!symbol(','))
                return std::nullopt;
        }
        return text + ')';
    }

    // ( name [ASC|DESC], ... )
    std::optional<std::vector<KeyColumn>> keyColumns()
    {
        if (!symbol('('))
            return std::nullopt;
        std::vector<KeyColumn> columns;
        do {
            auto column = name();
            if (!column)
                return std::nullopt;
            bool descending = keyword("DESC");
            if (!descending)
                keyword("ASC");
            columns.push_back({*column, descending});
        } while (symbol(','));
        if (!symbol(')'))
            return std::nullopt;
        return columns;
    }

    std::optional<std::vector<std::string>> nameList()
    {
        if (!symbol('('))
            return std::nullopt;
        std::vector<std::string> names;
        do {
            auto column = name();
            if (!column)
                return std::nullopt;
            names.push_back(*column);
        } while (symbol(','));
        if (!symbol(')'))
            return std::nullopt;
        return names;
    }

    // CLUSTERED or NONCLUSTERED; `fallback` when neither is written.
    bool clustered(bool fallback)
    {
        if (keyword("CLUSTERED"))
            return true;
        if (keyword("NONCLUSTERED"))
            return false;
        return fallback;
    }

    std::optional<ReferentialAction> action()
    {
        if (keyword("CASCADE"))
            return ReferentialAction::Cascade;
        if (keyword("NO") && keyword("ACTION"))
            return ReferentialAction::NoAction;
        if (keyword("SET")) {
            if (keyword("NULL"))
                return ReferentialAction::SetNull;
            if (keyword("DEFAULT"))
                return ReferentialAction::SetDefault;
        }
        return std::nullopt;
    }

    // REFERENCES table [(columns)] [ON DELETE action] [ON UPDATE action]
    bool references(SchemaForeignKey& key)
    {
        if (!keyword("REFERENCES"))
            return false;
        const std::size_t start = m_pos;
        auto table = objectName();
        if (!table)
            return false;
        key.referenced = *table;
        if (m_pos == start + 1)
            key.referenced.schema.clear();  // the caller knows whose it is
        if (peekSymbol('(')) {
            auto columns = nameList();
            if (!columns)
                return false;
            key.referencedColumns = *columns;
        }
        while (keyword("ON")) {
            const bool onDelete = keyword("DELETE");
            if (!onDelete && !keyword("UPDATE"))
                return false;
            auto what = action();
            if (!what)
                return false;
            (onDelete ? key.onDelete : key.onUpdate) = *what;
        }
        return true;
    }

private:
    static std::string bracketed(const std::string& name)
    {
        std::string out = "[";
        for (char c : name) {
            out += c;
            if (c == ']')
                out += ']';
        }
        return out + "]";
    }

    TsqlTokens m_tokens;
    std::vector<const Token*> m_sig;
    std::size_t m_pos = 0;
    bool m_broken = false;
};

// The end of a default's or computed column's expression: a "," or a word
// that starts the next part of the column.
bool endsColumnPart(Reader& reader)
{
    static constexpr std::string_view kWords[] = {
        "CONSTRAINT", "NOT", "NULL", "PERSISTED", "PRIMARY", "UNIQUE", "CHECK", "REFERENCES",
        "COLLATE", "IDENTITY", "DEFAULT", "VIRTUAL", "STORED"};
    if (reader.peekSymbol(','))
        return true;
    for (std::string_view word : kWords)
        if (reader.peekKeyword(word))
            return true;
    return false;
}

// One column constraint or option after the type; false for one not known.
bool columnOption(Reader& reader, SchemaTable& table, SchemaColumn& column)
{
    std::string constraint;
    if (reader.keyword("CONSTRAINT")) {
        auto name = reader.name();
        if (!name)
            return false;
        constraint = *name;
    }
    if (reader.keyword("DEFAULT")) {
        auto text = reader.expression([&] { return endsColumnPart(reader); });
        if (!text)
            return false;
        column.defaultName = constraint;
        column.defaultText = *text;
        return true;
    }
    if (reader.keyword("PRIMARY")) {
        if (!reader.keyword("KEY"))
            return false;
        SchemaKey key{constraint, true, reader.clustered(true), {{column.name, false}}};
        key.columns.front().descending = reader.keyword("DESC");
        if (!key.columns.front().descending)
            reader.keyword("ASC");
        if (reader.keyword("AUTOINCREMENT"))
            column.identity = IdentitySpec{};
        table.keys.insert(table.keys.begin(), std::move(key));
        return true;
    }
    if (reader.keyword("UNIQUE")) {
        table.keys.push_back({constraint, false, reader.clustered(false), {{column.name, false}}});
        return true;
    }
    if (reader.keyword("CHECK")) {
        auto text = reader.parenthesized();
        if (!text)
            return false;
        table.checks.push_back({constraint, *text});
        return true;
    }
    if (reader.peekKeyword("REFERENCES") || reader.peekKeyword("FOREIGN")) {
        SchemaForeignKey key;
        key.name = constraint;
        if (reader.keyword("FOREIGN") && !reader.keyword("KEY"))
            return false;
        if (!reader.references(key))
            return false;
        key.columns = {column.name};
        table.foreignKeys.push_back(std::move(key));
        return true;
    }
    if (!constraint.empty())
        return false;
    if (reader.keyword("NOT")) {
        if (!reader.keyword("NULL"))
            return false;
        column.nullable = false;
        return true;
    }
    if (reader.keyword("NULL")) {
        column.nullable = true;
        return true;
    }
    if (reader.keyword("IDENTITY")) {
        IdentitySpec identity;
        if (reader.symbol('(')) {
            auto seed = reader.number();
            if (!seed || !reader.symbol(','))
                return false;
            auto increment = reader.number();
            if (!increment || !reader.symbol(')'))
                return false;
            identity = {*seed, *increment};
        }
        column.identity = identity;
        return true;
    }
    if (reader.keyword("COLLATE")) {
        auto name = reader.name();
        if (!name)
            return false;
        column.collation = *name;
        return true;
    }
    if (reader.keyword("PERSISTED") || reader.keyword("STORED")) {
        column.persisted = !column.computedText.empty();
        return !column.computedText.empty();
    }
    return reader.keyword("VIRTUAL") && !column.computedText.empty();
}

bool column(Reader& reader, SchemaTable& table)
{
    SchemaColumn column;
    auto name = reader.name();
    if (!name)
        return false;
    column.name = *name;
    if (reader.keyword("AS") || (reader.keyword("GENERATED") && reader.keyword("ALWAYS")
                                 && reader.keyword("AS"))) {
        auto text = reader.expression([&] { return endsColumnPart(reader); });
        if (!text)
            return false;
        column.computedText = *text;
    } else {
        auto type = reader.type();
        if (!type)
            return false;
        column.type = *type;
        // SQLite's computed column names its type first.
        if (reader.keyword("GENERATED")) {
            if (!reader.keyword("ALWAYS") || !reader.keyword("AS"))
                return false;
            auto text = reader.parenthesized();
            if (!text)
                return false;
            column.computedText = *text;
            column.type.clear();
        }
    }
    while (!reader.atEnd() && !reader.peekSymbol(',') && !reader.peekSymbol(')'))
        if (!columnOption(reader, table, column))
            return false;
    if (!column.computedText.empty() && !column.persisted)
        column.nullable = true;
    table.columns.push_back(std::move(column));
    return true;
}

// A constraint of the table: PRIMARY KEY, UNIQUE, CHECK or FOREIGN KEY.
bool tableConstraint(Reader& reader, SchemaTable& table, const std::string& constraint)
{
    if (reader.keyword("PRIMARY") || reader.keyword("UNIQUE")) {
        const bool primary = reader.peekKeyword("KEY");
        if (primary && !reader.keyword("KEY"))
            return false;
        SchemaKey key{constraint, primary, reader.clustered(primary), {}};
        auto columns = reader.keyColumns();
        if (!columns)
            return false;
        key.columns = *columns;
        if (primary)
            table.keys.insert(table.keys.begin(), std::move(key));
        else
            table.keys.push_back(std::move(key));
        return true;
    }
    if (reader.keyword("CHECK")) {
        auto text = reader.parenthesized();
        if (!text)
            return false;
        table.checks.push_back({constraint, *text});
        return true;
    }
    if (reader.keyword("FOREIGN")) {
        SchemaForeignKey key;
        key.name = constraint;
        auto columns = reader.keyword("KEY") ? reader.nameList() : std::nullopt;
        if (!columns || !reader.references(key))
            return false;
        key.columns = *columns;
        table.foreignKeys.push_back(std::move(key));
        return true;
    }
    return false;
}

std::optional<std::string> constraintPrefix(Reader& reader)
{
    if (!reader.keyword("CONSTRAINT"))
        return std::string();
    return reader.name();
}

bool isTableConstraintStart(const Reader& reader)
{
    return reader.peekKeyword("CONSTRAINT") || reader.peekKeyword("PRIMARY")
        || reader.peekKeyword("UNIQUE") || reader.peekKeyword("CHECK")
        || reader.peekKeyword("FOREIGN");
}

// A foreign key without referenced columns refers to the referenced
// table's primary key; the reader leaves them to the caller.
bool complete(const SchemaTable& table)
{
    int primaryKeys = 0;
    for (const SchemaKey& key : table.keys)
        primaryKeys += key.primary;
    return !table.columns.empty() && primaryKeys <= 1;
}

std::string joinedNames(const std::vector<KeyColumn>& columns)
{
    std::string out;
    for (const KeyColumn& column : columns)
        out += "_" + column.name;
    return out;
}

} // namespace

std::optional<SchemaTable> readCreateTable(std::string_view statement)
{
    Reader reader(statement);
    if (reader.broken() || !reader.keyword("CREATE") || !reader.keyword("TABLE"))
        return std::nullopt;
    SchemaTable table;
    auto name = reader.objectName();
    if (!name || !reader.symbol('('))
        return std::nullopt;
    table.name = *name;
    do {
        if (isTableConstraintStart(reader)) {
            auto constraint = constraintPrefix(reader);
            if (!constraint || !tableConstraint(reader, table, *constraint))
                return std::nullopt;
        } else if (!column(reader, table)) {
            return std::nullopt;
        }
    } while (reader.symbol(','));
    if (!reader.symbol(')') || !reader.atEnd() || !complete(table))
        return std::nullopt;
    // The server makes the columns of the primary key and an identity NOT NULL.
    for (SchemaColumn& column : table.columns) {
        const bool inPrimaryKey = !table.keys.empty() && table.keys.front().primary
            && std::any_of(table.keys.front().columns.begin(), table.keys.front().columns.end(),
                           [&](const KeyColumn& key) { return key.name == column.name; });
        if (inPrimaryKey || column.identity)
            column.nullable = false;
    }
    return table;
}

std::optional<IndexStatement> readCreateIndex(std::string_view statement)
{
    Reader reader(statement);
    if (reader.broken() || !reader.keyword("CREATE"))
        return std::nullopt;
    IndexStatement result;
    result.index.unique = reader.keyword("UNIQUE");
    result.index.clustered = reader.clustered(false);
    if (!reader.keyword("INDEX"))
        return std::nullopt;
    auto name = reader.name();
    if (!name || !reader.keyword("ON"))
        return std::nullopt;
    result.index.name = *name;
    auto table = reader.objectName();
    auto columns = table ? reader.keyColumns() : std::nullopt;
    if (!columns)
        return std::nullopt;
    result.table = *table;
    result.index.columns = *columns;
    if (reader.keyword("INCLUDE")) {
        auto included = reader.nameList();
        if (!included)
            return std::nullopt;
        result.index.included = *included;
    }
    if (!reader.atEnd())
        return std::nullopt;
    return result;
}

std::optional<AlterTableStatement> readAlterTable(std::string_view statement)
{
    Reader reader(statement);
    if (reader.broken() || !reader.keyword("ALTER") || !reader.keyword("TABLE"))
        return std::nullopt;
    AlterTableStatement result;
    auto table = reader.objectName();
    if (!table)
        return std::nullopt;
    result.table = *table;
    if (reader.keyword("DROP")) {
        auto name = reader.keyword("CONSTRAINT") ? reader.name() : std::nullopt;
        if (!name || !reader.atEnd())
            return std::nullopt;
        result.dropped = *name;
        return result;
    }
    reader.keyword("WITH") && reader.keyword("CHECK");
    if (!reader.keyword("ADD"))
        return std::nullopt;
    auto constraint = constraintPrefix(reader);
    SchemaTable added;
    if (!constraint || !(reader.peekKeyword("FOREIGN") || reader.peekKeyword("CHECK"))
        || !tableConstraint(reader, added, *constraint) || !reader.atEnd())
        return std::nullopt;
    if (!added.foreignKeys.empty())
        result.foreignKey = added.foreignKeys.front();
    if (!added.checks.empty())
        result.check = added.checks.front();
    return result;
}

void nameConstraints(SchemaTable& table)
{
    std::unordered_set<std::string> taken;
    auto note = [&](const std::string& name) {
        if (!name.empty())
            taken.insert(toUpperAscii(name));
    };
    for (const SchemaColumn& column : table.columns)
        note(column.defaultName);
    for (const SchemaKey& key : table.keys)
        note(key.name);
    for (const SchemaCheck& check : table.checks)
        note(check.name);
    for (const SchemaForeignKey& key : table.foreignKeys)
        note(key.name);
    auto give = [&](std::string& name, const std::string& proposed) {
        if (!name.empty())
            return;
        name = proposed;
        for (int n = 2; !taken.insert(toUpperAscii(name)).second; ++n)
            name = proposed + "_" + std::to_string(n);
    };
    const std::string& t = table.name.name;
    for (SchemaKey& key : table.keys)
        give(key.name, key.primary ? "PK_" + t : "UQ_" + t + joinedNames(key.columns));
    for (SchemaColumn& column : table.columns)
        if (!column.defaultText.empty())
            give(column.defaultName, "DF_" + t + "_" + column.name);
    for (std::size_t i = 0; i < table.checks.size(); ++i)
        give(table.checks[i].name, "CK_" + t + "_" + std::to_string(i + 1));
    for (SchemaForeignKey& key : table.foreignKeys)
        give(key.name, "FK_" + t + "_" + key.referenced.name);
}

} // namespace varnett::sqltext
