#include "data/ProcedureRun.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace varnett::data {

namespace {

using sqltext::equalsNoCase;

bool isOneOf(const std::string& type, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const char* name) { return equalsNoCase(type, name); });
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters of UTF-8 text: the bytes that start one.
std::size_t characterCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

[[noreturn]] void refuse(const ProcedureParameter& parameter, const std::string& value,
                         const std::string& what)
{
    throw Error("The value '" + value + "' of the parameter " + parameter.name + " ("
                + parameter.typeText() + ") is " + what + ".");
}

// Reads n digits at text[p]; false when there are fewer.
bool readDigits(const std::string& text, std::size_t& p, std::size_t n, int& number)
{
    number = 0;
    for (std::size_t i = 0; i < n; ++i, ++p) {
        if (p >= text.size() || !isDigit(text[p]))
            return false;
        number = number * 10 + (text[p] - '0');
    }
    return true;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool readDate(const std::string& text, std::size_t& p, int& year)
{
    int month = 0, day = 0;
    if (!readDigits(text, p, 4, year) || p >= text.size() || text[p++] != '-'
        || !readDigits(text, p, 2, month) || p >= text.size() || text[p++] != '-'
        || !readDigits(text, p, 2, day))
        return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    return day <= days[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
}

// hh:mm, hh:mm:ss or hh:mm:ss.fffffff.
bool readTime(const std::string& text, std::size_t& p)
{
    int hour = 0, minute = 0, second = 0;
    if (!readDigits(text, p, 2, hour) || p >= text.size() || text[p++] != ':'
        || !readDigits(text, p, 2, minute) || hour > 23 || minute > 59)
        return false;
    if (p < text.size() && text[p] == ':') {
        ++p;
        if (!readDigits(text, p, 2, second) || second > 59)
            return false;
        if (p < text.size() && text[p] == '.') {
            std::size_t start = ++p;
            while (p < text.size() && isDigit(text[p]))
                ++p;
            if (p == start || p - start > 7)
                return false;
        }
    }
    return true;
}

bool isDateTime(const std::string& text, bool offset, int& year)
{
    std::size_t p = 0;
    if (!readDate(text, p, year))
        return false;
    if (p < text.size() && (text[p] == ' ' || text[p] == 'T')) {
        ++p;
        if (!readTime(text, p))
            return false;
    }
    if (offset && p < text.size()) {
        if (text[p] == ' ')
            ++p;
        int hours = 0, minutes = 0;
        if (p < text.size() && text[p] == 'Z')
            ++p;
        else if (p >= text.size() || (text[p] != '+' && text[p] != '-')
                 || !readDigits(text, ++p, 2, hours) || p >= text.size() || text[p++] != ':'
                 || !readDigits(text, p, 2, minutes) || hours > 14 || minutes > 59)
            return false;
    }
    return p == text.size();
}

bool isWholeNumber(const std::string& text, long double low, long double high)
{
    std::size_t p = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    if (p == text.size() || !std::all_of(text.begin() + static_cast<long>(p), text.end(), isDigit))
        return false;
    const long double value = std::strtold(text.c_str(), nullptr);
    return value >= low && value <= high;
}

// A number [+-]digits[.digits] with at least one digit; gives the digits
// before the point, leading zeros left out.
bool isDecimal(const std::string& text, std::size_t& integerDigits)
{
    std::size_t p = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    while (p < text.size() && text[p] == '0')
        ++p;
    const std::size_t start = p;
    while (p < text.size() && isDigit(text[p]))
        ++p;
    integerDigits = p - start;
    if (p < text.size() && text[p] == '.')
        ++p;
    while (p < text.size() && isDigit(text[p]))
        ++p;
    return p == text.size() && std::any_of(text.begin(), text.end(), isDigit);
}

bool isGuid(std::string text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHexDigit(text[i]))
            return false;
    }
    return true;
}

} // namespace

bool isBinaryParameterType(const std::string& type)
{
    return isOneOf(type, {"binary", "varbinary", "image", "rowversion", "timestamp"});
}

std::string ProcedureParameter::typeText() const
{
    if (isOneOf(type, {"nchar", "nvarchar"}))
        return type + "(" + (maxLength < 0 ? std::string("max") : std::to_string(maxLength / 2)) + ")";
    if (isOneOf(type, {"char", "varchar", "binary", "varbinary"}))
        return type + "(" + (maxLength < 0 ? std::string("max") : std::to_string(maxLength)) + ")";
    if (isOneOf(type, {"decimal", "numeric"}))
        return type + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
    if (isOneOf(type, {"datetime2", "time", "datetimeoffset"}))
        return type + "(" + std::to_string(scale) + ")";
    return type;
}

std::optional<std::size_t> ProcedureParameter::lengthLimit() const
{
    if (maxLength < 0)
        return std::nullopt;
    if (isOneOf(type, {"nchar", "nvarchar"}))
        return static_cast<std::size_t>(maxLength / 2);
    if (isOneOf(type, {"char", "varchar", "binary", "varbinary"}))
        return static_cast<std::size_t>(maxLength);
    return std::nullopt;
}

std::string hexBytes(const std::string& text)
{
    std::size_t p = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 2 : 0;
    if ((text.size() - p) % 2 != 0)
        throw Error("An odd number of hex digits");
    std::string bytes;
    auto nibble = [](char c) {
        return isDigit(c) ? c - '0' : (sqltext::lowerAscii(c) - 'a' + 10);
    };
    for (; p < text.size(); p += 2) {
        if (!isHexDigit(text[p]) || !isHexDigit(text[p + 1]))
            throw Error("A character that is no hex digit");
        bytes += static_cast<char>(nibble(text[p]) * 16 + nibble(text[p + 1]));
    }
    return bytes;
}

void checkParameterValue(const ProcedureParameter& parameter, const std::string& value)
{
    const std::string& type = parameter.type;
    if (equalsNoCase(type, "tinyint") && !isWholeNumber(value, 0, 255))
        refuse(parameter, value, "no whole number from 0 to 255");
    if (equalsNoCase(type, "smallint") && !isWholeNumber(value, -32768, 32767))
        refuse(parameter, value, "no whole number from -32768 to 32767");
    if (equalsNoCase(type, "int") && !isWholeNumber(value, -2147483648.0L, 2147483647.0L))
        refuse(parameter, value, "no whole number from -2147483648 to 2147483647");
    if (equalsNoCase(type, "bigint")
        && !isWholeNumber(value, -9223372036854775808.0L, 9223372036854775807.0L))
        refuse(parameter, value, "no whole number in the range of bigint");
    if (equalsNoCase(type, "bit")
        && !isOneOf(value, {"0", "1", "true", "false"}))
        refuse(parameter, value, "not 0, 1, true or false");
    if (isOneOf(type, {"decimal", "numeric", "money", "smallmoney"})) {
        std::size_t integerDigits = 0;
        if (!isDecimal(value, integerDigits))
            refuse(parameter, value, "no number");
        const int allowed = equalsNoCase(type, "money") ? 15
            : equalsNoCase(type, "smallmoney")          ? 6
                                                        : parameter.precision - parameter.scale;
        if (static_cast<int>(integerDigits) > allowed)
            refuse(parameter, value,
                   "too large: at most " + std::to_string(allowed) + " digits before the point");
    }
    if (isOneOf(type, {"float", "real"})) {
        char* end = nullptr;
        errno = 0;
        const double number = std::strtod(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(number)
            || errno == ERANGE || sqltext::isWhiteSpace(value.front()))
            refuse(parameter, value, "no number");
    }
    int year = 0;
    if (equalsNoCase(type, "date")) {
        std::size_t p = 0;
        if (!readDate(value, p, year) || p != value.size())
            refuse(parameter, value, "no date (YYYY-MM-DD)");
    }
    if (isOneOf(type, {"datetime", "smalldatetime", "datetime2", "datetimeoffset"})) {
        if (!isDateTime(value, equalsNoCase(type, "datetimeoffset"), year))
            refuse(parameter, value, "no date and time (YYYY-MM-DD hh:mm:ss)");
        if (equalsNoCase(type, "datetime") && year < 1753)
            refuse(parameter, value, "before 1753, the first year of datetime");
        if (equalsNoCase(type, "smalldatetime") && (year < 1900 || year > 2079))
            refuse(parameter, value, "outside the years 1900 to 2079 of smalldatetime");
    }
    if (equalsNoCase(type, "time")) {
        std::size_t p = 0;
        if (!readTime(value, p) || p != value.size())
            refuse(parameter, value, "no time (hh:mm:ss)");
    }
    if (equalsNoCase(type, "uniqueidentifier") && !isGuid(value))
        refuse(parameter, value, "no GUID (xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx)");
    std::size_t length = characterCount(value);
    if (isBinaryParameterType(type)) {
        try {
            length = hexBytes(value).size();
        } catch (const Error& error) {
            refuse(parameter, value, "no hex (0x0A1B...): " + sqltext::toLowerAscii(error.what()));
        }
    }
    if (auto limit = parameter.lengthLimit(); limit && length > *limit)
        refuse(parameter, value.size() > 40 ? value.substr(0, 40) + "..." : value,
               "longer than " + std::to_string(*limit)
                   + (isBinaryParameterType(type) ? " bytes" : " characters"));
}

std::string messageText(const RunMessage& message)
{
    if (message.number == 0 && !message.error)
        return message.text;
    std::string head = "Msg " + std::to_string(message.number);
    if (message.severity)
        head += ", Level " + std::to_string(*message.severity);
    head += ", State " + std::to_string(message.state);
    if (message.line > 0)
        head += ", Line " + std::to_string(message.line);
    return head + ": " + message.text;
}

bool RunOutcome::failed() const
{
    return std::any_of(messages.begin(), messages.end(),
                       [](const RunMessage& message) { return message.error; });
}

void RunControl::cancel()
{
    m_cancelled = true;
    std::lock_guard lock(m_mutex);
    if (m_stop)
        m_stop();
}

void RunControl::attach(std::function<void()> stop)
{
    std::lock_guard lock(m_mutex);
    m_stop = std::move(stop);
}

void RunControl::detach()
{
    std::lock_guard lock(m_mutex);
    m_stop = nullptr;
}

} // namespace varnett::data
