// Column values as an engine reads them back (a date or a number may arrive
// as any text) made into T-SQL literals for the data script.
#include "FuzzCheck.h"

#include "sqltext/Error.h"
#include "sqltext/TsqlTokens.h"
#include "sqltext/ValueLiterals.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace varnett::sqltext;
using varnett::sqltext::Token;
using varnett::sqltext::TsqlTokens;

namespace {

bool isTextType(SqlType type)
{
    switch (type) {
    case SqlType::VarChar: case SqlType::Char: case SqlType::Text:
    case SqlType::NVarChar: case SqlType::NChar: case SqlType::NText: case SqlType::Xml:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    ColumnDesc column;
    column.name = "c";
    column.type = static_cast<SqlType>(
        input.ConsumeIntegralInRange<int>(0, static_cast<int>(SqlType::Xml)));
    column.precision = input.ConsumeIntegralInRange<int>(0, 40);
    column.scale = input.ConsumeIntegralInRange<int>(0, column.precision);
    column.length = input.ConsumeIntegralInRange<int>(-1, 8000);

    Value value;
    switch (input.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
        value.kind = Value::Kind::Null;
        break;
    case 1:
        value.kind = Value::Kind::Integer;
        value.integer = input.ConsumeIntegral<std::int64_t>();
        break;
    case 2:
        value.kind = Value::Kind::Real;
        value.real = input.ConsumeFloatingPoint<double>();
        break;
    case 3:
        value.kind = Value::Kind::Text;
        value.bytes = input.ConsumeRemainingBytesAsString();
        break;
    default:
        value.kind = Value::Kind::Blob;
        value.bytes = input.ConsumeRemainingBytesAsString();
        break;
    }

    std::string text;
    try {
        text = literal(column, value);
    } catch (const varnett::Error&) {
        return 0;
    }

    // The literal reads back as one T-SQL constant: NULL, a string, a binary
    // constant or a number with an optional sign.
    const TsqlTokens tokens(text, varnett::sqltext::Backticks::Names);
    const auto& all = tokens.tokens();
    FUZZ_CHECK(!all.empty());
    for (const Token& token : all)
        FUZZ_CHECK(!token.unterminated);
    std::size_t start = 0;
    if (tokens.isKeyword(all[0], "CAST")) {
        // CAST(n AS bigint) for a sql_variant number; CAST('' AS varchar(max))
        // before the pieces of a long text.
        int depth = 0;
        for (; start < all.size(); ++start) {
            if (tokens.isSymbol(all[start], '('))
                ++depth;
            else if (tokens.isSymbol(all[start], ')') && --depth == 0)
                break;
        }
        FUZZ_CHECK(depth == 0 && start < all.size());
        ++start;
        if (start == all.size())
            return 0;
    }
    if (start > 0 || text.find(" + ") != std::string::npos || tokens.isKeyword(all[0], "NCHAR")
        || tokens.isKeyword(all[0], "CHAR")) {
        // Line breaks and NULs as character functions between string pieces:
        // the pieces put together give the text back.
        std::string joined;
        for (std::size_t i = start; i < all.size(); ++i) {
            const Token& token = all[i];
            if (token.kind == Token::Kind::Space || tokens.isSymbol(token, '+'))
                continue;
            if (token.kind == Token::Kind::String || token.kind == Token::Kind::NString) {
                joined += tokens.stringValue(token);
                continue;
            }
            FUZZ_CHECK(tokens.isKeyword(token, "NCHAR") || tokens.isKeyword(token, "CHAR"));
            FUZZ_CHECK(i + 3 < all.size() && tokens.isSymbol(all[i + 1], '(')
                       && all[i + 2].kind == Token::Kind::Number && tokens.isSymbol(all[i + 3], ')'));
            joined += static_cast<char>(std::stoi(std::string(tokens.text(all[i + 2]))));
            i += 3;
        }
        if (isTextType(column.type) && value.kind == Value::Kind::Text)
            FUZZ_CHECK(joined == value.bytes);
        return 0;
    }
    std::size_t first = tokens.isSymbol(all[0], '-') ? 1 : 0;
    FUZZ_CHECK(all.size() == first + 1);
    const Token& token = all[first];
    FUZZ_CHECK(!token.unterminated);
    if (value.isNull()) {
        FUZZ_CHECK(text == "NULL");
        return 0;
    }
    switch (token.kind) {
    case Token::Kind::String:
    case Token::Kind::NString:
        FUZZ_CHECK(first == 0);
        if (isTextType(column.type) && value.kind == Value::Kind::Text)
            FUZZ_CHECK(tokens.stringValue(token) == value.bytes);
        break;
    case Token::Kind::Binary:
        FUZZ_CHECK(first == 0 && (text.size() - 2) % 2 == 0);
        break;
    case Token::Kind::Number:
        break;
    default:
        FUZZ_CHECK(!"a literal is a string, a binary constant or a number");
    }
    return 0;
}
