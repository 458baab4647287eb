#include "AsValue.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

const std::string& AsValue::Text() const
{
    static const std::string empty;
    return type == AsType::String && text ? *text : empty;
}

std::string NumberToText(double number)
{
    if (std::isnan(number)) return "NaN";
    if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
    if (number == 0) return "0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    // The C library writes "1e+015" or "1e-07"; the player writes "1e+15" and "1e-7".
    std::string text(buffer);
    const std::size_t e = text.find('e');
    if (e == std::string::npos) return text;
    std::string mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::size_t digits = e + 2;
    while (digits + 1 < text.size() && text[digits] == '0') ++digits;
    return mantissa + 'e' + sign + text.substr(digits);
}

std::string NumberToRadixText(double number, int radix)
{
    if (radix == 10 || radix < 2 || radix > 36 || !std::isfinite(number)) return NumberToText(number);
    double whole = std::trunc(std::fabs(number));
    if (whole > 9007199254740992.0) return NumberToText(number);
    std::string digits;
    do {
        const int digit = static_cast<int>(std::fmod(whole, radix));
        digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[digit]);
        whole = std::floor(whole / radix);
    } while (whole > 0);
    if (number < 0 && digits != "0") digits.insert(digits.begin(), '-');
    return digits;
}

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The length of the decimal number at the start of `text` (sign, digits, fraction, exponent).
std::size_t DecimalPrefix(std::string_view text)
{
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t digitsFrom = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    std::size_t digits = at - digitsFrom;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        digits += at - fraction;
        if (digits == 0) return 0;
    }
    if (digits == 0) return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        const std::size_t from = exponent;
        while (exponent < text.size() && text[exponent] >= '0' && text[exponent] <= '9') ++exponent;
        if (exponent > from) at = exponent;
    }
    return at;
}

double ParseDecimal(std::string_view text)
{
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

} // namespace

double TextToNumber(std::string_view text, int version)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::size_t from = 0;
    while (from < text.size() && IsSpace(text[from])) ++from;
    text.remove_prefix(from);
    if (version <= 4) {
        const std::size_t length = DecimalPrefix(text);
        return length ? ParseDecimal(text.substr(0, length)) : 0;
    }
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    if (text.empty()) return version >= 7 ? nan : 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        double value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return nan;
            value = value * 16 + digit;
        }
        return value;
    }
    const std::string_view unsigned_ = (text[0] == '+' || text[0] == '-') ? text.substr(1) : text;
    if (unsigned_ == "Infinity") return text[0] == '-' ? -std::numeric_limits<double>::infinity()
                                                       : std::numeric_limits<double>::infinity();
    const std::size_t length = DecimalPrefix(text);
    if (length == 0 || length != text.size()) return nan;
    return ParseDecimal(text);
}

std::uint32_t ToUint32(double number)
{
    if (!std::isfinite(number)) return 0;
    const double whole = std::trunc(number);
    const double wrapped = std::fmod(whole, 4294967296.0);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(wrapped < 0 ? wrapped + 4294967296.0 : wrapped));
}

int ToClampedInt(double number)
{
    if (std::isnan(number)) return 0;
    if (number <= -2147483648.0) return std::numeric_limits<int>::min();
    if (number >= 2147483647.0) return std::numeric_limits<int>::max();
    return static_cast<int>(number);
}

std::int32_t ToInt32(double number)
{
    return static_cast<std::int32_t>(ToUint32(number));
}

std::size_t Utf8Length(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size();) {
        Utf8Decode(text, at);
        ++count;
    }
    return count;
}

std::size_t Utf8Offset(std::string_view text, std::size_t index)
{
    std::size_t at = 0;
    while (index > 0 && at < text.size()) {
        Utf8Decode(text, at);
        --index;
    }
    return at;
}

std::uint32_t Utf8Decode(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<std::uint8_t>(text[at++]);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead >= 0x80 && lead < 0xC0) return lead;  // a stray continuation byte counts as itself
    std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    while (extra-- > 0 && at < text.size()) {
        const auto next = static_cast<std::uint8_t>(text[at]);
        if ((next & 0xC0) != 0x80) break;
        code = (code << 6) | (next & 0x3F);
        ++at;
    }
    return code;
}

void Utf8Append(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        code = code > 0x10FFFF ? 0xFFFD : code;
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
