// Column values as an engine reads them back (a date or a number may arrive
// as any text) made into T-SQL literals for the data script.
#include "FuzzCheck.h"

#include "data/sqlite/TsqlTokens.h"
#include "sqltext/Error.h"
#include "sqltext/ValueLiterals.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace varnett::sqltext;
using varnett::data::Token;
using varnett::data::TsqlTokens;

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
    const TsqlTokens tokens(text);
    const auto& all = tokens.tokens();
    FUZZ_CHECK(!all.empty());
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
