// What the client reads from a server's reply, on arbitrary bytes: the first line is the
// address that answered, the rest the reply. A redirect's target is split as the client's next
// request would be; the reply is also read as it arrives, byte by byte.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "HttpAddress.h"
#include "HttpReply.h"

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
    const std::string base(input.substr(0, lineEnd));
    const std::string reply(lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1));

    std::string next;
    const ReplyStart whole = ClassifyReply(reply, true, base, next);
    Check(whole != ReplyStart::Undecided);
    Check((whole == ReplyStart::Redirect) == !next.empty());
    // Read as it arrives, a reply that redirects early redirects to the same place.
    for (std::size_t len = 0; len <= reply.size() && len < 512; ++len) {
        std::string early;
        const ReplyStart start = ClassifyReply(std::string_view(reply).substr(0, len), false, base, early);
        if (start == ReplyStart::Redirect) Check(early == next);
    }
    ReplyStatus(reply);

    if (whole == ReplyStart::Redirect) {
        // Whatever the Location holds, it adds nothing that cannot stand in an address.
        const auto unfit = [](unsigned char c) { return c <= 0x20 || c >= 0x7F; };
        bool baseFit = true;
        for (char c : base) baseFit = baseFit && !unfit(static_cast<unsigned char>(c));
        for (char c : next) Check(!baseFit || !unfit(static_cast<unsigned char>(c)));
        HttpAddress address;
        SplitAddress(next.c_str(), address, kMaxRedirectUrlLength);
    }
    HttpAddress address;
    SplitAddress(base.c_str(), address);
    return 0;
}
