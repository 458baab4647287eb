// Scan + resolve on arbitrary bytes. The first line is the page address (cut to 255
// characters), the rest is the page text, handed over without a terminator so that any read
// past its length shows up under AddressSanitizer.
#include "CEmbedParser.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view urlLine = input.substr(0, lineEnd);
    const std::string url(urlLine.substr(0, static_cast<std::size_t>(CEmbedParser::kMaxPageUrl)));
    const std::string_view text = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    CEmbedParser parser;
    parser.SetPageUrl(url.c_str());
    parser.SetText(text.data(), static_cast<int>(text.size()));
    parser.Scan();
    CStringArray addresses;
    parser.Resolve(addresses);

    const CStringArray& sources = parser.GetSources();
    Check(addresses.GetSize() == sources.GetSize());
    for (int i = 0; i < sources.GetSize(); ++i) {
        const std::string_view value = sources[i].View();
        const std::string_view address = addresses[i].View();
        Check(!value.empty());
        Check(value.find_first_of(std::string_view(" \"'>\t\r\n\0", 8)) == std::string_view::npos);
        // Every way of resolving keeps the value as the address's tail.
        Check(address.size() >= value.size());
        Check(address.substr(address.size() - value.size()) == value);
    }
    return 0;
}
