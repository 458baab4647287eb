#include "MovieAddress.h"

#include <algorithm>
#include <initializer_list>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCopy(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    return lower;
}

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Unreserved, reserved and "%" (RFC 3986 section 2): every other byte is percent-encoded.
bool IsUriCharacter(char c)
{
    if (IsAlpha(c) || IsDigit(c)) return true;
    switch (c) {
    case '-': case '.': case '_': case '~': case ':': case '/': case '?': case '#': case '[': case ']':
    case '@': case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',':
    case ';': case '=': case '%':
        return true;
    default:
        return false;
    }
}

void AppendEncoded(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        if (IsUriCharacter(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
}

// Blanks and control characters around the value go; tabs and line breaks inside it go too
// (browsers drop them, so markup may wrap a long address); "\" before the query is "/". Most
// values need none of it and are used as they are; the others are cleaned into `storage`.
std::string_view CleanValue(std::string_view value, std::string& storage)
{
    while (!value.empty() && static_cast<unsigned char>(value.front()) <= ' ') value.remove_prefix(1);
    while (!value.empty() && static_cast<unsigned char>(value.back()) <= ' ') value.remove_suffix(1);
    const std::size_t queryStart = std::min(value.find_first_of("?#"), value.size());
    if (value.find_first_of("\t\r\n") == std::string_view::npos && value.substr(0, queryStart).find('\\') == std::string_view::npos)
        return value;
    storage.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\t' || c == '\r' || c == '\n') continue;
        storage += (c == '\\' && i < queryStart) ? '/' : c;
    }
    return storage;
}

// The parts of an address or relative reference (RFC 3986 appendix B), fragment left out.
struct Reference {
    std::string_view scheme;   // without ":"; empty when there is none
    bool hasAuthority = false;
    std::string_view authority;
    std::string_view path;
    bool hasQuery = false;
    std::string_view query;
};

std::size_t SchemeEnd(std::string_view text)
{
    if (text.empty() || !IsAlpha(text[0])) return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return i;
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

Reference Split(std::string_view text)
{
    Reference r;
    text = text.substr(0, text.find('#'));
    if (const std::size_t end = SchemeEnd(text); end != 0) {
        r.scheme = text.substr(0, end);
        text.remove_prefix(end + 1);
    }
    if (text.substr(0, 2) == "//") {
        text.remove_prefix(2);
        const std::size_t end = std::min(text.find_first_of("/?"), text.size());
        r.hasAuthority = true;
        r.authority = text.substr(0, end);
        text.remove_prefix(end);
    }
    const std::size_t question = text.find('?');
    r.path = text.substr(0, question);
    if (question != std::string_view::npos) {
        r.hasQuery = true;
        r.query = text.substr(question + 1);
    }
    return r;
}

std::string_view DefaultPort(std::string_view scheme)
{
    if (scheme == "http") return "80";
    if (scheme == "https") return "443";
    if (scheme == "ftp") return "21";
    return {};
}

bool IsWebScheme(std::string_view scheme) { return !DefaultPort(scheme).empty(); }

// Appends the authority with its host in small letters and its port dropped when it is empty or
// the scheme's default.
void AppendAuthority(std::string& out, std::string_view authority, std::string_view scheme)
{
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        AppendEncoded(out, authority.substr(0, at + 1));
        authority.remove_prefix(at + 1);
    }
    // The colon of the port comes after the "]" of an IPv6 literal.
    const std::size_t bracket = authority.rfind(']');
    std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && bracket != std::string_view::npos && colon < bracket) colon = std::string_view::npos;
    const std::string_view port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    AppendEncoded(out, LowerCopy(authority.substr(0, colon)));
    std::string_view digits = port;
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    const bool isDefault = std::all_of(port.begin(), port.end(), IsDigit) && digits == DefaultPort(scheme);
    if (!port.empty() && !isDefault) {
        out += ':';
        AppendEncoded(out, port);
    }
}

// Appends `relative` to the path that starts at out[pathStart] (it ends in "/" or is empty),
// segment by segment, removing dot segments as RFC 3986 section 5.2.4 does. A ".." never climbs
// above the first character of an absolute path. Each segment is copied once and each ".." cuts
// one, so the work is linear.
void AppendWithoutDots(std::string& out, std::size_t pathStart, std::string_view relative)
{
    const std::size_t floor = pathStart + ((out.size() > pathStart && out[pathStart] == '/') ? 1 : 0);
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relative.find('/', start);
        const bool last = slash == std::string_view::npos;
        const std::string_view segment = relative.substr(start, last ? std::string_view::npos : slash - start);
        if (segment == "..") {
            if (out.size() > floor) {
                const std::size_t cut = out.rfind('/', out.size() - 2);
                out.resize(cut == std::string::npos || cut + 1 < floor ? floor : cut + 1);
            }
        } else if (segment != ".") {
            AppendEncoded(out, segment);
            if (!last) out += '/';
        }
        if (last) return;
        start = slash + 1;
    }
}

// Appends a path of its own: its "/" kept, dot segments removed; "/" when an authority has none.
void AppendPath(std::string& out, std::string_view path, bool hasAuthority)
{
    const std::size_t pathStart = out.size();
    if (!path.empty() && path[0] == '/') {
        out += '/';
        path.remove_prefix(1);
    } else if (path.empty()) {
        if (hasAuthority) out += '/';
        return;
    }
    AppendWithoutDots(out, pathStart, path);
}

bool IsRefusedScheme(std::string_view scheme)
{
    // One letter is a drive ("c:\movies\a.swf" written by hand), not a scheme.
    if (scheme.size() == 1) return true;
    for (const std::string_view refused : {"javascript", "vbscript", "data", "about", "mailto", "blob"}) {
        if (scheme == refused) return true;
    }
    return false;
}

} // namespace

CBaseAddress::CBaseAddress(std::string_view pageUrl)
{
    std::string storage;
    std::string clean(CleanValue(pageUrl, storage));
    const std::size_t schemeEnd = SchemeEnd(clean);
    // "about:blank" or a data: page resolves nothing; "host:8080/page.html" is an http address.
    if (schemeEnd != 0 && IsRefusedScheme(LowerCopy(clean.substr(0, schemeEnd)))) return;
    if (schemeEnd == 0 || clean.compare(schemeEnd + 1, 2, "//") != 0) clean.insert(0, "http://");
    const Reference page = Split(clean);
    m_strScheme = LowerCopy(page.scheme);
    m_bHasAuthority = page.hasAuthority;
    AppendAuthority(m_strAuthority, page.authority, m_strScheme);
    AppendPath(m_strPath, page.path, m_bHasAuthority);
    m_bHasQuery = page.hasQuery;
    AppendEncoded(m_strQuery, page.query);
    // A base that names nothing fetchable resolves nothing.
    if (clean.size() > kMaxMovieAddress || IsRefusedScheme(m_strScheme) || (IsWebScheme(m_strScheme) && m_strAuthority.empty()))
        m_strScheme.clear();
}

void CBaseAddress::SetBaseHref(std::string_view href)
{
    const std::string resolved = Resolve(href);
    if (!resolved.empty()) *this = CBaseAddress(resolved);
}

std::string CBaseAddress::Resolve(std::string_view value) const
{
    std::string storage;
    const std::string_view clean = CleanValue(value, storage);
    if (clean.empty() || clean[0] == '#') return {};
    const Reference r = Split(clean);
    std::string scheme = LowerCopy(r.scheme);
    // "http:movie.swf" on an http page is relative, as browsers read it (RFC 3986 5.2.2, the
    // non-strict reading).
    if (!scheme.empty() && scheme == m_strScheme && !r.hasAuthority) scheme.clear();
    if (!scheme.empty() && IsRefusedScheme(scheme)) return {};
    if (scheme.empty() && m_strScheme.empty()) return {};

    const bool relative = scheme.empty();
    const std::string& effectiveScheme = relative ? m_strScheme : scheme;
    std::string address;
    address.reserve(effectiveScheme.size() + m_strAuthority.size() + m_strPath.size() + clean.size() + 8);
    address.append(effectiveScheme).append(":");
    const bool hasAuthority = r.hasAuthority || (relative && m_bHasAuthority);
    if (hasAuthority) {
        address.append("//");
        const std::size_t hostStart = address.size();
        if (r.hasAuthority) {
            AppendAuthority(address, r.authority, effectiveScheme);
        } else {
            address.append(m_strAuthority);
        }
        if (address.size() == hostStart && IsWebScheme(effectiveScheme)) return {};
    } else if (IsWebScheme(effectiveScheme)) {
        return {};
    }

    bool hasQuery = r.hasQuery;
    std::string_view query = r.query;
    if (!relative || r.hasAuthority || (!r.path.empty() && r.path[0] == '/')) {
        AppendPath(address, r.path, hasAuthority);
    } else if (r.path.empty()) {
        address += m_strPath;
        if (!hasQuery) {
            hasQuery = m_bHasQuery;
            query = m_strQuery;
        }
    } else {
        // Merge: the base's path up to its last "/" (all of it goes when it has none), then the
        // reference.
        const std::size_t pathStart = address.size();
        const std::size_t lastSlash = m_strPath.rfind('/');
        address.append(m_strPath, 0, lastSlash == std::string::npos ? 0 : lastSlash + 1);
        AppendWithoutDots(address, pathStart, r.path);
    }
    if (hasQuery) {
        address += '?';
        AppendEncoded(address, query);
    }
    if (address.size() > kMaxMovieAddress) return {};
    return address;
}

std::string_view PathExtension(std::string_view address)
{
    std::string_view path = address.substr(0, address.find_first_of("?#"));
    if (const std::size_t slash = path.rfind('/'); slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

bool IsMovieExtension(std::string_view extension)
{
    if (extension.size() != 3) return false;
    const char lower[3] = {Lower(extension[0]), Lower(extension[1]), Lower(extension[2])};
    const std::string_view name(lower, 3);
    return name == "swf" || name == "spl";
}

bool IsNonMovieExtension(std::string_view extension)
{
    // Sorted, for a binary search: every address found is checked.
    static constexpr std::string_view kOthers[] = {
        "3g2", "3gp", "7z", "aac", "aif", "aifc", "aiff", "asf", "asx", "au", "avi", "bmp", "cab", "cct",
        "class", "css", "cst", "csv", "cxt", "dcr", "dir", "doc", "dxr", "exe", "f4a", "f4b", "f4p", "f4v",
        "flv", "gif", "gz", "htm", "html", "ico", "ivr", "jar", "jpe", "jpeg", "jpg", "js", "json", "kar",
        "m1v", "m3u", "m4a", "m4v", "mid", "midi", "mng", "mov", "mp2", "mp3", "mp4", "mpe", "mpeg", "mpg",
        "oga", "ogg", "ogv", "pdf", "pls", "png", "ppt", "psd", "qt", "ra", "ram", "rar", "rm", "rmi", "rmvb",
        "rpm", "rtf", "smi", "smil", "snd", "svg", "svgz", "tga", "tif", "tiff", "txt", "w3d", "wav", "wax",
        "wbmp", "webm", "webp", "wma", "wmv", "wrl", "wrz", "wvx", "xbm", "xls", "xml", "xspf", "zip",
    };
    if (extension.empty() || extension.size() > 5) return false;
    char lower[5];
    for (std::size_t i = 0; i < extension.size(); ++i) lower[i] = Lower(extension[i]);
    return std::binary_search(std::begin(kOthers), std::end(kOthers), std::string_view(lower, extension.size()));
}
