#include "MovieFileName.h"

#include <array>
#include <cctype>

namespace {

bool IsForbidden(unsigned char c)
{
    if (c < 32) return true;
    switch (c) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return false;
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Windows opens the device, not a file, for these names whatever extension follows, and also
// when blanks stand between the name and the extension.
bool IsDeviceName(std::string_view name)
{
    static constexpr std::array<std::string_view, 24> kDevices = {
        "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",   "COM4",    "COM5", "COM6", "COM7", "COM8",
        "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6",   "LPT7",    "LPT8", "LPT9", "CONIN$", "CONOUT$"};
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : kDevices) {
        if (EqualsIgnoringCase(base, device)) return true;
    }
    return false;
}

// The part of the address after the host: a bare "http://host" has no file name at all.
std::string_view PathOf(std::string_view address)
{
    const std::size_t scheme = address.find("://");
    const std::size_t hostStart = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t slash = address.find('/', hostStart);
    return slash == std::string_view::npos ? std::string_view{} : address.substr(slash);
}

} // namespace

bool MovieFileName(std::string_view address, std::string& name)
{
    name.clear();
    std::string_view path = PathOf(address);
    // The query goes first: a "/" inside it is not a path separator.
    path = path.substr(0, path.find_first_of("?#"));
    const std::size_t lastSlash = path.rfind('/');
    std::string_view segment = lastSlash == std::string_view::npos ? path : path.substr(lastSlash + 1);

    if (segment.empty() || segment.size() > kMaxMovieFileName) return false;
    if (segment.back() == '.' || segment.back() == ' ') return false;   // also "." and ".."
    if (IsDeviceName(segment)) return false;

    name.assign(segment);
    for (char& c : name) {
        if (IsForbidden(static_cast<unsigned char>(c))) c = '_';
    }
    return true;
}

bool MovieFilePath(std::string_view folder, std::string_view address, std::string& path)
{
    path.clear();
    std::string name;
    if (!MovieFileName(address, name)) return false;
    path.assign(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return true;
}
