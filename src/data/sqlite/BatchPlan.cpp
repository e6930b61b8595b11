#include "data/sqlite/BatchPlan.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "data/sqlite/SqliteDialect.h"
#include "sqltext/TsqlTokens.h"
#include "sqltext/Identifiers.h"
#include "sqltext/SchemaStatements.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace varnett::data {

using sqltext::Token;
using sqltext::TsqlTokens;

namespace {

constexpr const char* kEmptyBatch = "Command text was not set for the command object.";
constexpr const char* kNotFirst =
    "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.";
constexpr const char* kAlterUnsupported =
    "The embedded engine cannot alter a procedure: drop it and create it again.";

class Planner {
public:
    explicit Planner(std::string_view batch) : m_tokens(batch, sqltext::Backticks::Names)
    {
        const auto& all = m_tokens.tokens();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].significant())
                m_sig.push_back(i);
    }

    BatchPlan run()
    {
        // A comment or string left open swallows the rest of the batch,
        // whatever the batch does.
        checkTerminated();
        if (m_sig.empty())
            throw Error(kEmptyBatch);
        if (keywordAt(0, "CREATE") && procedureKeywordAt(1))
            return planCreate(2);
        if (keywordAt(0, "CREATE") && keywordAt(1, "OR") && keywordAt(2, "ALTER")
            && procedureKeywordAt(3)) {
            BatchPlan plan = planCreate(4);
            plan.createOrAlter = true;
            return plan;
        }
        if ((keywordAt(0, "ALTER") && procedureKeywordAt(1))
            || (keywordAt(0, "CREATE") && keywordAt(1, "OR") && keywordAt(2, "ALTER")))
            throw Error(kAlterUnsupported);
        if (auto guarded = planCondition())
            return *guarded;
        if (auto executed = planExecuteString())
            return *executed;
        if (procedureStatementFrom(1))
            throw Error(kNotFirst);
        BatchPlan plan = planSteps();
        // A view that is the batch's one statement, as the server has it.
        std::size_t semicolon = 0;
        while (semicolon < count() && !symbolAt(semicolon, ';'))
            ++semicolon;
        while (symbolAt(semicolon, ';'))
            ++semicolon;
        if (keywordAt(0, "CREATE") && keywordAt(1, "VIEW") && semicolon >= count()) {
            std::size_t q = 2;
            plan.createdView = readName(q);
        }
        return plan;
    }

private:
    std::size_t count() const { return m_sig.size(); }
    const Token& sig(std::size_t p) const { return m_tokens.tokens()[m_sig[p]]; }

    bool keywordAt(std::size_t p, std::string_view keyword) const
    {
        return p < count() && m_tokens.isKeyword(sig(p), keyword);
    }
    bool symbolAt(std::size_t p, char symbol) const
    {
        return p < count() && m_tokens.isSymbol(sig(p), symbol);
    }
    bool procedureKeywordAt(std::size_t p) const
    {
        return keywordAt(p, "PROC") || keywordAt(p, "PROCEDURE");
    }
    bool stringAt(std::size_t p) const
    {
        return p < count()
            && (sig(p).kind == Token::Kind::String || sig(p).kind == Token::Kind::NString);
    }

    // CREATE or ALTER followed by PROC or PROCEDURE at or after p.
    bool procedureStatementFrom(std::size_t p) const
    {
        for (; p + 1 < count(); ++p)
            if ((keywordAt(p, "CREATE") || keywordAt(p, "ALTER")) && procedureKeywordAt(p + 1))
                return true;
        return false;
    }

    // An object name of one or more parts separated by dots; p moves past it.
    std::optional<NameParts> readName(std::size_t& p) const
    {
        NameParts parts;
        std::size_t q = p;
        while (true) {
            if (q < count() && TsqlTokens::isNamePart(sig(q)))
                parts.push_back(m_tokens.nameValue(sig(q++)));
            else if (symbolAt(q, '.'))
                parts.emplace_back();
            else
                return std::nullopt;
            if (!symbolAt(q, '.'))
                break;
            ++q;
        }
        p = q;
        return parts;
    }

    // A statement the engine answers itself starts a line or follows a ";".
    bool startsStatement(std::size_t p) const
    {
        return p == 0 || symbolAt(p - 1, ';') || sig(p - 1).endLine < sig(p).line;
    }
    // ... and ends its line or meets a ";".
    bool endsStatement(std::size_t past) const
    {
        return past >= count() || symbolAt(past, ';') || sig(past).line > sig(past - 1).endLine;
    }

    std::optional<std::size_t> matchDrop(std::size_t p, BatchStep& step) const
    {
        if (!keywordAt(p, "DROP") || !procedureKeywordAt(p + 1))
            return std::nullopt;
        std::size_t q = p + 2;
        if (keywordAt(q, "IF") && keywordAt(q + 1, "EXISTS")) {
            step.ifExists = true;
            q += 2;
        }
        while (true) {
            auto name = readName(q);
            if (!name)
                return std::nullopt;
            step.names.push_back(std::move(*name));
            if (!symbolAt(q, ','))
                break;
            ++q;
        }
        step.kind = BatchStep::Kind::DropProcedures;
        return q;
    }

    // if exists (select * from sysobjects where id = object_id(N'[dbo].[P]')
    //     and OBJECTPROPERTY(id, N'IsProcedure') = 1)
    // drop procedure [dbo].[P]
    std::optional<std::size_t> matchDropIf(std::size_t p, BatchStep& step) const
    {
        std::size_t q = p;
        auto keyword = [&](std::string_view word) { return keywordAt(q, word) && ++q; };
        auto symbol = [&](char c) { return symbolAt(q, c) && ++q; };
        auto string = [&](std::string& out) {
            if (!stringAt(q))
                return false;
            out = m_tokens.stringValue(sig(q++));
            return true;
        };
        auto one = [&] {
            return q < count() && sig(q).kind == Token::Kind::Number
                && m_tokens.text(sig(q)) == "1" && ++q;
        };
        std::string tested, property;
        bool matched = keyword("IF") && keyword("EXISTS") && symbol('(') && keyword("SELECT")
            && symbol('*') && keyword("FROM") && keyword("SYSOBJECTS") && keyword("WHERE")
            && keyword("ID") && symbol('=') && keyword("OBJECT_ID") && symbol('(')
            && string(tested) && symbol(')') && keyword("AND") && keyword("OBJECTPROPERTY")
            && symbol('(') && keyword("ID") && symbol(',') && string(property) && symbol(')')
            && symbol('=') && one() && symbol(')') && keyword("DROP") && procedureKeywordAt(q)
            && ++q;
        if (!matched || !sqltext::equalsNoCase(property, "IsProcedure"))
            return std::nullopt;
        auto dropped = readName(q);
        if (!dropped)
            return std::nullopt;
        try {
            step.tested = sqltext::splitMultipartName(tested);
        } catch (const Error&) {
            step.tested.clear();    // object_id of a malformed name finds nothing
        }
        step.names.push_back(std::move(*dropped));
        step.kind = BatchStep::Kind::DropIfProcedure;
        return q;
    }

    std::optional<std::size_t> matchIdentityInsert(std::size_t p, BatchStep& step) const
    {
        if (!keywordAt(p, "SET") || !keywordAt(p + 1, "IDENTITY_INSERT"))
            return std::nullopt;
        std::size_t q = p + 2;
        if (!readName(q) || !(keywordAt(q, "ON") || keywordAt(q, "OFF")))
            return std::nullopt;
        step.kind = BatchStep::Kind::Ignore;
        return q + 1;
    }

    // "SET QUOTED_IDENTIFIER OFF SET ANSI_NULLS ON" and the like, as scripts
    // put them before a procedure: session options SQLite does not have.
    std::optional<std::size_t> matchSessionOptions(std::size_t p, BatchStep& step) const
    {
        static constexpr std::string_view kOptions[] = {
            "QUOTED_IDENTIFIER", "ANSI_NULLS", "ANSI_PADDING", "ANSI_WARNINGS", "NOCOUNT",
            "ARITHABORT", "CONCAT_NULL_YIELDS_NULL", "XACT_ABORT"};
        std::size_t q = p;
        while (keywordAt(q, "SET")) {
            auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                       [&](std::string_view name) { return keywordAt(q + 1, name); });
            if (option == std::end(kOptions) || !(keywordAt(q + 2, "ON") || keywordAt(q + 2, "OFF")))
                break;
            step.options.emplace_back(std::string(*option), keywordAt(q + 2, "ON"));
            q += 3;
        }
        if (q == p)
            return std::nullopt;
        step.kind = BatchStep::Kind::SessionOptions;
        return q;
    }

    std::optional<std::size_t> matchCreateSchema(std::size_t p, BatchStep& step) const
    {
        if (!keywordAt(p, "CREATE") || !keywordAt(p + 1, "SCHEMA"))
            return std::nullopt;
        std::size_t q = p + 2;
        if (q >= count() || !TsqlTokens::isNamePart(sig(q)))
            return std::nullopt;
        step.names.push_back({m_tokens.nameValue(sig(q++))});
        if (keywordAt(q, "AUTHORIZATION")) {
            if (q + 1 >= count() || !TsqlTokens::isNamePart(sig(q + 1)))
                return std::nullopt;
            q += 2;
        }
        step.kind = BatchStep::Kind::CreateSchema;
        return q;
    }

    // The text of the significant tokens first to last - 1, as written.
    std::string textOf(std::size_t first, std::size_t last) const
    {
        return std::string(m_tokens.text().substr(sig(first).begin,
                                                  sig(last - 1).end - sig(first).begin));
    }

    // The position after the ")" that closes the "(" at p; 0 when none does.
    std::size_t pastParentheses(std::size_t p) const
    {
        if (!symbolAt(p, '('))
            return 0;
        int depth = 0;
        for (; p < count(); ++p) {
            if (symbolAt(p, '('))
                ++depth;
            else if (symbolAt(p, ')') && --depth == 0)
                return p + 1;
        }
        return 0;
    }

    // CREATE TABLE name ( ... ) in T-SQL that the engine reads.
    std::optional<std::size_t> matchCreateTable(std::size_t p, BatchStep& step) const
    {
        if (!keywordAt(p, "CREATE") || !keywordAt(p + 1, "TABLE"))
            return std::nullopt;
        std::size_t q = p + 2;
        if (!readName(q))
            return std::nullopt;
        const std::size_t end = pastParentheses(q);
        if (!end)
            return std::nullopt;
        // SQLite's own forms stay SQLite's: such a table is made as written.
        for (std::size_t k = q; k < end; ++k)
            if (keywordAt(k, "AUTOINCREMENT") || keywordAt(k, "GENERATED"))
                return std::nullopt;
        std::string text = textOf(p, end);
        if (!sqltext::readCreateTable(text))
            return std::nullopt;
        step.kind = BatchStep::Kind::CreateTable;
        step.sql = std::move(text);
        return end;
    }

    std::optional<std::size_t> matchCreateIndex(std::size_t p, BatchStep& step) const
    {
        std::size_t q = p + 1;
        if (!keywordAt(p, "CREATE"))
            return std::nullopt;
        if (keywordAt(q, "UNIQUE"))
            ++q;
        if (keywordAt(q, "CLUSTERED") || keywordAt(q, "NONCLUSTERED"))
            ++q;
        if (!keywordAt(q, "INDEX"))
            return std::nullopt;
        std::size_t open = q + 1;
        while (open < count() && !symbolAt(open, '('))
            ++open;
        std::size_t end = pastParentheses(open);
        if (end && keywordAt(end, "INCLUDE"))
            end = pastParentheses(end + 1);
        if (!end)
            return std::nullopt;
        std::string text = textOf(p, end);
        if (!sqltext::readCreateIndex(text))
            return std::nullopt;
        step.kind = BatchStep::Kind::CreateIndex;
        step.sql = std::move(text);
        return end;
    }

    // ALTER TABLE ... ADD or DROP a constraint, on one line.
    std::optional<std::size_t> matchAlterTable(std::size_t p, BatchStep& step) const
    {
        if (!keywordAt(p, "ALTER") || !keywordAt(p + 1, "TABLE"))
            return std::nullopt;
        std::size_t end = p + 1;
        while (end < count() && !symbolAt(end, ';') && sig(end).line == sig(end - 1).endLine)
            ++end;
        std::string text = textOf(p, end);
        if (!sqltext::readAlterTable(text))
            return std::nullopt;
        step.kind = BatchStep::Kind::AlterTable;
        step.sql = std::move(text);
        return end;
    }

    // IF OBJECT_ID(...) / SCHEMA_ID(...) / INDEXPROPERTY(...) IS [NOT] NULL statement
    std::optional<BatchPlan> planCondition() const
    {
        if (!keywordAt(0, "IF"))
            return std::nullopt;
        BatchCondition condition;
        std::size_t q = 1;
        auto string = [&](std::string& out) {
            if (!stringAt(q))
                return false;
            out = m_tokens.stringValue(sig(q++));
            return true;
        };
        auto symbol = [&](char c) { return symbolAt(q, c) && ++q; };
        auto keyword = [&](std::string_view word) { return keywordAt(q, word) && ++q; };
        std::string name;
        bool matched = false;
        if (keyword("OBJECT_ID")) {
            matched = symbol('(') && string(name);
            if (matched && symbol(','))
                matched = string(condition.type);
            matched = matched && symbol(')');
        } else if (keyword("SCHEMA_ID")) {
            condition.kind = BatchCondition::Kind::Schema;
            matched = symbol('(') && string(name) && symbol(')');
        } else if (keyword("INDEXPROPERTY")) {
            condition.kind = BatchCondition::Kind::Index;
            std::string property;
            matched = symbol('(') && keyword("OBJECT_ID") && symbol('(') && string(name)
                && symbol(')') && symbol(',') && string(condition.index) && symbol(',')
                && string(property) && symbol(')')
                && sqltext::equalsNoCase(property, "IndexID");
        }
        if (!matched || !keyword("IS"))
            return std::nullopt;
        condition.isNull = !keyword("NOT");
        if (!keyword("NULL") || q >= count())
            return std::nullopt;
        try {
            condition.name = sqltext::splitMultipartName(name);
        } catch (const Error&) {
            condition.name.clear();   // a malformed name names nothing
        }
        condition.type = sqltext::toUpperAscii(condition.type);
        while (!condition.type.empty() && condition.type.back() == ' ')
            condition.type.pop_back();
        BatchPlan plan;
        plan.condition = std::move(condition);
        plan.guarded = std::string(m_tokens.text().substr(sig(q).begin));
        return plan;
    }

    // EXEC (N'...') or EXECUTE ('...') and nothing else.
    std::optional<BatchPlan> planExecuteString() const
    {
        if (!(keywordAt(0, "EXEC") || keywordAt(0, "EXECUTE")) || !symbolAt(1, '(')
            || !stringAt(2) || !symbolAt(3, ')'))
            return std::nullopt;
        std::size_t end = 4;
        while (symbolAt(end, ';'))
            ++end;
        if (end != count())
            return std::nullopt;
        BatchPlan plan;
        plan.executed = m_tokens.stringValue(sig(2));
        return plan;
    }

    void addSql(BatchPlan& plan, std::size_t first, std::size_t last) const
    {
        const auto& all = m_tokens.tokens();
        for (std::size_t i = first; i < last; ++i) {
            if (all[i].significant()) {
                BatchStep step;
                step.sql = toSqliteText(m_tokens, first, last);
                plan.steps.push_back(std::move(step));
                return;
            }
        }
    }

    BatchPlan planSteps() const
    {
        BatchPlan plan;
        std::size_t chunk = 0;     // first token of the SQL not yet planned
        std::size_t p = 0;
        while (p < count()) {
            if (startsStatement(p)) {
                BatchStep step;
                auto end = matchDrop(p, step);
                if (!end)
                    end = matchDropIf(p, step);
                if (!end)
                    end = matchIdentityInsert(p, step);
                if (!end)
                    end = matchSessionOptions(p, step);
                if (!end)
                    end = matchCreateSchema(p, step);
                if (!end)
                    end = matchCreateTable(p, step);
                if (!end)
                    end = matchCreateIndex(p, step);
                if (!end)
                    end = matchAlterTable(p, step);
                if (end && endsStatement(*end)) {
                    std::size_t q = *end;
                    while (symbolAt(q, ';'))
                        ++q;
                    addSql(plan, chunk, m_sig[p]);
                    plan.steps.push_back(std::move(step));
                    chunk = m_sig[q - 1] + 1;
                    p = q;
                    continue;
                }
            }
            ++p;
        }
        addSql(plan, chunk, m_tokens.tokens().size());
        return plan;
    }

    void checkTerminated() const
    {
        for (const Token& token : m_tokens.tokens()) {
            if (!token.unterminated)
                continue;
            if (token.kind == Token::Kind::BlockComment)
                throw Error("Missing end comment mark '*/'.");
            std::string rest = token.kind == Token::Kind::String
                    || token.kind == Token::Kind::NString
                ? m_tokens.stringValue(token)
                : m_tokens.nameValue(token);
            throw Error("Unclosed quotation mark after the character string '" + rest + "'.");
        }
    }

    // A line that holds only GO, outside strings and comments.
    bool hasGoLine() const
    {
        const auto& all = m_tokens.tokens();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!m_tokens.isKeyword(all[i], "GO"))
                continue;
            bool aloneBefore = i == 0
                || (all[i - 1].kind == Token::Kind::Space
                    && (i == 1 || all[i - 2].endLine < all[i].line));
            bool aloneAfter = i + 1 == all.size()
                || (all[i + 1].kind == Token::Kind::Space
                    && (i + 2 == all.size() || all[i + 2].line > all[i].line));
            if (aloneBefore && aloneAfter)
                return true;
        }
        return false;
    }

    // The name starts at significant token p.
    BatchPlan planCreate(std::size_t p) const
    {
        const std::size_t nameStart = p;
        if (hasGoLine() || procedureStatementFrom(nameStart))
            throw Error(kNotFirst);

        auto name = readName(p);
        if (!name) {
            std::string near = p < count() ? std::string(m_tokens.text(sig(p)))
                                           : std::string(m_tokens.text(sig(nameStart - 1)));
            throw Error("Incorrect syntax near '" + near + "'.");
        }
        const Token& last = sig(p - 1);
        if (name->size() == 1 && last.kind == Token::Kind::Word
            && sqltext::isReservedKeyword(m_tokens.text(last)))
            throw Error("Incorrect syntax near the keyword '" + std::string(m_tokens.text(last))
                        + "'.");
        if (name->size() == 3)
            throw Error("'CREATE/ALTER PROCEDURE' does not allow specifying the database name "
                        "as a prefix to the object name.");
        if (name->size() > 3)
            throw Error("The object name '" + std::string(m_tokens.text().substr(
                            sig(nameStart).begin, last.end - sig(nameStart).begin))
                        + "' contains more than the maximum number of prefixes. The maximum is 2.");
        if (name->back().empty())
            throw Error("An object or column name is missing or empty.");
        // After the name: a group number, the parameters (perhaps in
        // parentheses), WITH, FOR REPLICATION or AS. "CREATE PROCEDURE
        // SP_INSERT_Order Details" names no procedure "SP_INSERT_Order".
        const bool followed = symbolAt(p, ';') || symbolAt(p, '(') || keywordAt(p, "WITH")
            || keywordAt(p, "FOR") || keywordAt(p, "AS")
            || (p < count() && sig(p).kind == Token::Kind::Word
                && m_tokens.text(sig(p)).front() == '@');
        if (!followed)
            throw Error(p < count() ? "Incorrect syntax near '" + std::string(m_tokens.text(sig(p))) + "'."
                                    : std::string("Incorrect syntax near '")
                                        + std::string(m_tokens.text(last)) + "'.");

        BatchPlan plan;
        plan.createsProcedure = true;
        plan.procedureName = name->back();
        if (name->size() == 2 && !name->front().empty())
            plan.procedureSchema = name->front();
        return plan;
    }

    TsqlTokens m_tokens;
    std::vector<std::size_t> m_sig;   // indices of the significant tokens
};

} // namespace

BatchPlan planBatch(std::string_view batch)
{
    return Planner(batch).run();
}

} // namespace varnett::data
