#include "QuorvelCommand.h"

#include <algorithm>
#include <climits>

#include "CEmbedParser.h"

std::string FlashListPayload(std::string_view pageUrl, std::string_view html)
{
    CEmbedParser parser;
    // The scanner takes an int length; HTML past 2 GB is not looked at.
    parser.SetText(html.data(), static_cast<int>(std::min<std::size_t>(html.size(), INT_MAX)));
    parser.Scan();
    CStringArray addresses;
    parser.Resolve(pageUrl, addresses);
    std::string payload;
    for (int i = 0; i < addresses.GetSize(); ++i) {
        payload.append(addresses[i].View());
        payload += ',';
    }
    return payload;
}

bool ProgramCommand(std::string_view programPath, std::string_view payload, std::string& command)
{
    command.clear();
    if (programPath.empty()) return false;
    const bool quote = programPath.find(' ') != std::string_view::npos && programPath.front() != '"';
    const std::size_t length = programPath.size() + (quote ? 2 : 0) + 1 + payload.size();
    if (length > kMaxCommandLength) return false;
    command.reserve(length);
    if (quote) command += '"';
    command.append(programPath);
    if (quote) command += '"';
    command += ' ';
    command.append(payload);
    return true;
}
