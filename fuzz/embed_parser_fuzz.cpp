// Scan + resolve on arbitrary bytes, by the literal rule and by the extended finder. The first
// line is the page address, the rest is the page text, handed over without a terminator so that
// any read past its length shows up under AddressSanitizer.
#include "CEmbedParser.h"
#include "MovieAddress.h"
#include "MovieFinder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

// The literal rule's own checks: each value is the tail of its address.
void CheckLiteral(const std::string& url, std::string_view text)
{
    CEmbedParser parser;
    parser.SetPageUrl(url.substr(0, static_cast<std::size_t>(CEmbedParser::kMaxPageUrl)).c_str());
    parser.SetText(text.data(), static_cast<int>(text.size()));
    parser.Scan();
    CStringArray addresses;
    parser.Resolve(addresses);

    const CStringArray& sources = parser.GetSources();
    Check(addresses.GetSize() == sources.GetSize());
    Check(parser.GetSourceOffsets().size() == static_cast<std::size_t>(sources.GetSize()));
    for (int i = 0; i < sources.GetSize(); ++i) {
        const std::string_view value = sources[i].View();
        const std::string_view address = addresses[i].View();
        Check(!value.empty());
        Check(value.find_first_of(std::string_view(" \"'>\t\r\n\0", 8)) == std::string_view::npos);
        // Every way of resolving keeps the value as the address's tail.
        Check(address.size() >= value.size());
        Check(address.substr(address.size() - value.size()) == value);
        // The tag text it follows stands where the parser says.
        const std::size_t offset = parser.GetSourceOffsets()[static_cast<std::size_t>(i)];
        Check(offset + CEmbedParser::kTagLength <= text.size());
    }

    // Switched off, the finder gives exactly this rule's list for the whole address.
    CStringArray whole, off;
    parser.Resolve(url, whole);
    FindMovies(text, url, false, off);
    Check(off.GetSize() == whole.GetSize());
    for (int i = 0; i < off.GetSize(); ++i) Check(off[i] == whole[i]);
}

bool IsUriByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("-._~:/?[]@!$&'()*+,;=%", c) != nullptr;
}

// The extended finder: absolute, normalised, fetchable addresses, each once.
void CheckExtended(const std::string& url, std::string_view text)
{
    CStringArray movies;
    FindMovies(text, url, true, movies);
    std::set<std::string_view> seen;
    for (int i = 0; i < movies.GetSize(); ++i) {
        const std::string_view address = movies[i].View();
        Check(seen.insert(address).second);
        Check(!address.empty() && address.size() <= kMaxMovieAddress);
        const std::size_t colon = address.find(':');
        Check(colon >= 2 && colon != std::string_view::npos);
        for (std::size_t k = 0; k < colon; ++k) Check(!(address[k] >= 'A' && address[k] <= 'Z'));
        const std::string_view scheme = address.substr(0, colon);
        Check(scheme != "javascript" && scheme != "data" && scheme != "vbscript");
        for (const char c : address) Check(IsUriByte(c));
        Check(!IsNonMovieExtension(PathExtension(address)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string url(input.substr(0, lineEnd));
    const std::string_view text = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);
    CheckLiteral(url, text);
    CheckExtended(url, text);
    return 0;
}
