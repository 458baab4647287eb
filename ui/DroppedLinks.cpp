#include "DroppedLinks.h"

#include <cctype>
#include <cstdio>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The lines of a text, split at CR, LF or both.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return lines;
}

// The address as the program takes it, or "" when the text is not one.
std::string Address(std::string_view text)
{
    std::size_t scheme = 0;
    if (StartsWithNoCase(text, "http://"))
        scheme = 7;
    else if (StartsWithNoCase(text, "https://"))
        scheme = 8;
    else
        return {};
    // A host must follow: not the end, and not at once the path, query or fragment.
    if (text.size() == scheme || text[scheme] == '/' || text[scheme] == '?' || text[scheme] == '#') return {};
    std::string address;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return {};
        if (byte < 0x80) {
            address += c;
            continue;
        }
        char escape[4];
        std::snprintf(escape, sizeof escape, "%%%02X", byte);
        address += escape;
    }
    return address;
}

} // namespace

std::vector<std::string> AddressesInText(std::string_view text)
{
    std::vector<std::string> addresses;
    for (std::string_view line : Lines(text)) {
        line = Trimmed(line);
        if (line.empty()) continue;
        std::string address = Address(line);
        if (address.empty()) return {};
        addresses.push_back(std::move(address));
    }
    return addresses;
}

std::vector<std::string> AddressesInMozUrl(std::string_view text)
{
    std::string addressLines;
    const std::vector<std::string_view> lines = Lines(text);
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        addressLines += lines[i];
        addressLines += '\n';
    }
    return AddressesInText(addressLines);
}

std::string SavedPageAddress(std::string_view html)
{
    // The mark browsers write: "saved from url=(" four decimal digits giving the address's
    // length, ")", then the address.
    constexpr std::string_view kMark = "saved from url=(";
    for (std::size_t at = 0; at + kMark.size() <= html.size(); ++at) {
        if (!StartsWithNoCase(html.substr(at), kMark)) continue;
        std::size_t pos = at + kMark.size();
        std::size_t length = 0;
        std::size_t digits = 0;
        while (pos < html.size() && digits < 8 && std::isdigit(static_cast<unsigned char>(html[pos]))) {
            length = length * 10 + static_cast<std::size_t>(html[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || pos >= html.size() || html[pos] != ')') return {};
        ++pos;
        if (length > html.size() - pos) return {};
        return Address(html.substr(pos, length));
    }
    return {};
}

bool IsMovieAddress(std::string_view address)
{
    const std::size_t end = address.find_first_of("?#");
    const std::string_view path = address.substr(0, end);
    return path.size() >= 4 && StartsWithNoCase(path.substr(path.size() - 4), ".swf");
}

DropPlan PlanDrop(std::vector<std::string> addresses)
{
    if (addresses.empty()) return {};
    if (addresses.size() == 1 && !IsMovieAddress(addresses.front())) return {DropPlan::NewTask, std::move(addresses)};
    return {DropPlan::AddRows, std::move(addresses)};
}
