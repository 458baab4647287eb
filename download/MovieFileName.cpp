#include "MovieFileName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_set>

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

// The segment as a file name: forbidden characters replaced; false (name left empty) for a
// segment no plain file inside the save folder can have.
bool NameOfSegment(std::string_view segment, std::string& name)
{
    name.clear();
    if (segment.empty() || segment.size() > kMaxMovieFileName) return false;
    if (segment.back() == '.' || segment.back() == ' ') return false;   // also "." and ".."
    if (IsDeviceName(segment)) return false;

    name.assign(segment);
    for (char& c : name) {
        if (IsForbidden(static_cast<unsigned char>(c))) c = '_';
    }
    return true;
}

} // namespace

bool MovieFileName(std::string_view address, std::string& name)
{
    std::string_view path = PathOf(address);
    // The query goes first: a "/" inside it is not a path separator.
    path = path.substr(0, path.find_first_of("?#"));
    const std::size_t lastSlash = path.rfind('/');
    return NameOfSegment(lastSlash == std::string_view::npos ? path : path.substr(lastSlash + 1), name);
}

bool IsMovieFileName(std::string_view name)
{
    std::string checked;
    return NameOfSegment(name, checked) && checked == name;
}

std::vector<std::string> DistinctFileNames(const std::vector<std::string>& addresses,
                                           const std::vector<std::string>& held)
{
    std::vector<std::string> names(addresses.size());
    // Windows file names differ only if they differ beyond letter case.
    std::unordered_set<std::string> taken;
    const auto folded = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const std::string& name : held) taken.insert(folded(name));
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::string name;
        if (!MovieFileName(addresses[i], name)) continue;
        if (!taken.insert(folded(name)).second) {
            // "movie1.swf" becomes "movie1 (2).swf", "movie1 (3).swf", ... whichever is free;
            // the stem gives way when the name would grow too long.
            const std::size_t dot = name.rfind('.');
            std::string extension = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
            // An extension too long to leave room for the number counts as part of the stem.
            if (extension.size() > kMaxMovieFileName / 2) extension.clear();
            const std::string stem = name.substr(0, name.size() - extension.size());
            for (int n = 2;; ++n) {
                const std::string suffix = " (" + std::to_string(n) + ")";
                const std::size_t room = kMaxMovieFileName - suffix.size() - extension.size();
                std::string candidate = stem.substr(0, std::min(stem.size(), room)) + suffix + extension;
                if (IsMovieFileName(candidate) && taken.insert(folded(candidate)).second) {
                    name = std::move(candidate);
                    break;
                }
            }
        }
        names[i] = std::move(name);
    }
    return names;
}

std::string PathInFolder(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

bool MovieFilePath(std::string_view folder, std::string_view address, std::string& path)
{
    path.clear();
    std::string name;
    if (!MovieFileName(address, name)) return false;
    path = PathInFolder(folder, name);
    return true;
}
