#include "data/ProcedureRun.h"
#include "sqltext/Error.h"

#include <gtest/gtest.h>

using varnett::data::ProcedureParameter;

namespace {

ProcedureParameter parameter(const char* type, int maxLength = 0, int precision = 0, int scale = 0)
{
    ProcedureParameter p;
    p.name = "@p";
    p.type = type;
    p.maxLength = maxLength;
    p.precision = precision;
    p.scale = scale;
    return p;
}

} // namespace

// Each value against its parameter's type: accepted, or refused with a
// message naming the parameter and saying why.
TEST(ProcedureRun, ValuesCheckedAgainstTheirTypes)
{
    static const std::string longText(9000, 'x');
    struct Case {
        ProcedureParameter parameter;
        const char* value;
        const char* refusal;   // empty: accepted
    };
    const Case cases[] = {
        {parameter("int"), "-2147483648", ""},
        {parameter("int"), "2147483648", "@p (int) is no whole number"},
        {parameter("int"), "1.5", "no whole number"},
        {parameter("int"), "", "no whole number"},
        {parameter("tinyint"), "256", "from 0 to 255"},
        {parameter("bigint"), "+9223372036854775807", ""},
        {parameter("bit"), "true", ""},
        {parameter("bit"), "2", "not 0, 1, true or false"},
        {parameter("decimal", 9, 10, 2), "12345678.99", ""},
        {parameter("decimal", 9, 10, 2), "-0012345678.5", ""},
        {parameter("decimal", 9, 10, 2), "123456789", "@p (decimal(10,2)) is too large"},
        {parameter("decimal", 9, 10, 2), "1e5", "no number"},
        {parameter("decimal", 9, 10, 2), ".", "no number"},
        {parameter("money"), "922337203685477.58", ""},
        {parameter("float"), "1e308", ""},
        {parameter("float"), "1e999", "no number"},
        {parameter("float"), "nan", "no number"},
        {parameter("date"), "2024-02-29", ""},
        {parameter("date"), "2023-02-29", "no date"},
        {parameter("date"), "2024-1-01", "no date"},
        {parameter("datetime"), "2024-01-02T03:04:05.997", ""},
        {parameter("datetime"), "2024-01-02 24:00", "no date and time"},
        {parameter("datetime"), "1752-12-31", "before 1753"},
        {parameter("smalldatetime"), "2080-01-01", "1900 to 2079"},
        {parameter("datetime2", 8, 27, 7), "0001-01-01 00:00:00.1234567", ""},
        {parameter("datetime2", 8, 27, 7), "0001-01-01 00:00:00.12345678", "no date and time"},
        {parameter("datetimeoffset", 10, 34, 7), "2024-01-02 03:04:05 +14:00", ""},
        {parameter("datetimeoffset", 10, 34, 7), "2024-01-02 03:04:05 +15:00", "no date and time"},
        {parameter("time", 5, 16, 7), "23:59:59.9999999", ""},
        {parameter("time", 5, 16, 7), "23:60", "no time"},
        {parameter("uniqueidentifier"), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", ""},
        {parameter("uniqueidentifier"), "6F9619FF-8B86-D011-B42D-00C04FC964F", "no GUID"},
        {parameter("varbinary", 4), "0x0A0B0C0D", ""},
        {parameter("varbinary", 4), "0a0b", ""},
        {parameter("varbinary", 4), "0x0A0B0C0D0E", "@p (varbinary(4)) is longer than 4 bytes"},
        {parameter("varbinary", 4), "0xABC", "no hex"},
        {parameter("varbinary", -1), "0xZZ", "no hex"},
        {parameter("nvarchar", 10), "äöüßé", ""},
        {parameter("nvarchar", 10), "abcdef", "@p (nvarchar(5)) is longer than 5 characters"},
        {parameter("nvarchar", -1), longText.c_str(), ""},
        {parameter("varchar", 3), "abcd", "@p (varchar(3)) is longer than 3 characters"},
        {parameter("xml"), "<a/>", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.parameter.type) + " " + c.value);
        if (*c.refusal == '\0') {
            EXPECT_NO_THROW(checkParameterValue(c.parameter, c.value));
            continue;
        }
        try {
            checkParameterValue(c.parameter, c.value);
            ADD_FAILURE() << "accepted";
        } catch (const varnett::Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
        }
    }
}

TEST(ProcedureRun, TypeTextAndHexBytes)
{
    EXPECT_EQ(parameter("nvarchar", 80).typeText(), "nvarchar(40)");
    EXPECT_EQ(parameter("varbinary", -1).typeText(), "varbinary(max)");
    EXPECT_EQ(parameter("numeric", 9, 18, 4).typeText(), "numeric(18,4)");
    EXPECT_EQ(parameter("time", 5, 16, 3).typeText(), "time(3)");
    EXPECT_EQ(parameter("int", 4, 10, 0).typeText(), "int");
    EXPECT_EQ(varnett::data::hexBytes("0x00fF"), std::string("\0\xff", 2));
    EXPECT_EQ(varnett::data::hexBytes(""), "");
    EXPECT_THROW(varnett::data::hexBytes("0x0"), varnett::Error);
}
