#include "CharacterReferences.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

struct NamedReference {
    std::string_view name;
    std::uint32_t codePoint;
};

// The Latin-1 names of HTML 4, for the code points 160 to 255 in order.
constexpr std::string_view kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// The markup and punctuation names; Greek letters and mathematical signs never occur in a movie's
// address and are left out.
constexpr NamedReference kOtherNames[] = {
    {"quot", 34},      {"amp", 38},       {"apos", 39},      {"lt", 60},        {"gt", 62},
    {"OElig", 338},    {"oelig", 339},    {"Scaron", 352},   {"scaron", 353},   {"Yuml", 376},
    {"fnof", 402},     {"circ", 710},     {"tilde", 732},    {"ensp", 8194},    {"emsp", 8195},
    {"thinsp", 8201},  {"zwnj", 8204},    {"zwj", 8205},     {"lrm", 8206},     {"rlm", 8207},
    {"ndash", 8211},   {"mdash", 8212},   {"lsquo", 8216},   {"rsquo", 8217},   {"sbquo", 8218},
    {"ldquo", 8220},   {"rdquo", 8221},   {"bdquo", 8222},   {"dagger", 8224},  {"Dagger", 8225},
    {"bull", 8226},    {"hellip", 8230},  {"permil", 8240},  {"prime", 8242},   {"Prime", 8243},
    {"lsaquo", 8249},  {"rsaquo", 8250},  {"oline", 8254},   {"frasl", 8260},   {"euro", 8364},
    {"trade", 8482},
};

constexpr std::size_t kNameCount = std::size(kLatin1Names) + std::size(kOtherNames);

// All names, sorted once, for a binary search: a hostile value full of references stays cheap.
const std::array<NamedReference, kNameCount>& SortedNames()
{
    static const std::array<NamedReference, kNameCount> names = [] {
        std::array<NamedReference, kNameCount> all{};
        std::size_t i = 0;
        for (std::size_t c = 0; c < std::size(kLatin1Names); ++c) all[i++] = {kLatin1Names[c], static_cast<std::uint32_t>(160 + c)};
        for (const NamedReference& other : kOtherNames) all[i++] = other;
        std::sort(all.begin(), all.end(), [](const NamedReference& a, const NamedReference& b) { return a.name < b.name; });
        return all;
    }();
    return names;
}

std::uint32_t LookUpName(std::string_view name)
{
    const auto& names = SortedNames();
    const auto found = std::lower_bound(names.begin(), names.end(), name,
                                        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return (found != names.end() && found->name == name) ? found->codePoint : 0;
}

// What browsers make of the C1 range in a numeric reference: the Windows-1252 characters.
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int HexValue(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the numeric reference at raw[i] == '&', raw[i + 1] == '#'. Returns the length read,
// or 0 when no digit follows.
std::size_t DecodeNumeric(std::string_view raw, std::size_t i, std::string& out)
{
    std::size_t p = i + 2;
    const bool hex = p < raw.size() && (raw[p] == 'x' || raw[p] == 'X');
    if (hex) ++p;
    const std::size_t digitsStart = p;
    std::uint32_t value = 0;
    for (; p < raw.size(); ++p) {
        const int digit = hex ? HexValue(raw[p]) : (IsDigit(raw[p]) ? raw[p] - '0' : -1);
        if (digit < 0) break;
        // Past the last code point the value only needs to stay out of range.
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (p == digitsStart) return 0;
    if (p < raw.size() && raw[p] == ';') ++p;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    if (value >= 0x80 && value <= 0x9F) value = kWindows1252[value - 0x80];
    AppendUtf8(out, value);
    return p - i;
}

// Decodes the named reference at raw[i] == '&'. Returns the length read, or 0 when it is none.
std::size_t DecodeNamed(std::string_view raw, std::size_t i, std::string& out)
{
    std::size_t p = i + 1;
    while (p < raw.size() && (IsLetter(raw[p]) || IsDigit(raw[p]))) ++p;
    const std::string_view name = raw.substr(i + 1, p - i - 1);
    if (name.empty()) return 0;
    if (p < raw.size() && raw[p] == ';') {
        const std::uint32_t c = LookUpName(name);
        if (c == 0) return 0;
        AppendUtf8(out, c);
        return p + 1 - i;
    }
    // A bare "&amp" counts only where it cannot be the start of a longer name or of "&amp=";
    // `name` already stops before any letter or digit.
    if (name != "amp" || (p < raw.size() && raw[p] == '=')) return 0;
    out += '&';
    return p - i;
}

} // namespace

void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string_view DecodeCharacterReferences(std::string_view raw, std::string& out)
{
    if (raw.find('&') == std::string_view::npos) return raw;
    out.clear();
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t amp = raw.find('&', i);
        if (amp == std::string_view::npos) {
            out.append(raw.substr(i));
            break;
        }
        out.append(raw.substr(i, amp - i));
        const bool numeric = amp + 1 < raw.size() && raw[amp + 1] == '#';
        const std::size_t used = numeric ? DecodeNumeric(raw, amp, out) : DecodeNamed(raw, amp, out);
        if (used == 0) {
            out += '&';
            i = amp + 1;
        } else {
            i = amp + used;
        }
    }
    return out;
}
