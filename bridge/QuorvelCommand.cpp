#include "QuorvelCommand.h"

#include "MovieFinder.h"

std::string FlashListPayload(std::string_view pageUrl, std::string_view html, bool extended)
{
    // HTML past 2 GB is not looked at.
    CStringArray addresses;
    FindMovies(html, pageUrl, extended, addresses);
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
