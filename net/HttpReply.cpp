#include "HttpReply.h"

#include <cctype>

#include "HttpAddress.h"

namespace {

constexpr std::string_view kHttp = "HTTP/";
// Longest version text ("1.0", "1.1") looked at before a status line counts as none.
constexpr std::size_t kMaxVersionLength = 8;
// The hooks wait for a redirect's head at most this long; a longer head is an ordinary reply.
constexpr std::size_t kMaxHeldHead = 64 * 1024;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsRedirectStatus(int code)
{
    return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// Where the blank line that ends the head starts, or npos.
std::size_t HeadEnd(std::string_view data)
{
    const std::size_t crlf = data.find("\r\n\r\n");
    const std::size_t lf = data.find("\n\n");
    return crlf < lf ? crlf : lf;
}

// The first value of a header in the head (name without case; the status line is skipped).
std::string_view HeaderValue(std::string_view head, std::string_view name)
{
    std::size_t lineStart = head.find('\n');
    while (lineStart != std::string_view::npos) {
        ++lineStart;
        const std::size_t lineEnd = head.find('\n', lineStart);
        const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsNoCase(Trim(line.substr(0, colon)), name))
            return Trim(line.substr(colon + 1));
        lineStart = lineEnd;
    }
    return {};
}

// The digits of a status code read so far (`digits` of them) could still make a redirect.
bool CouldRedirect(int code, int digits)
{
    return digits == 0 || (digits == 1 && code == 3) || (digits == 2 && code == 30);
}

// The status code when `data` begins with a whole status line's code; 0 when it cannot be a
// status line, or its code cannot be a redirect's; -1 when more bytes are needed to tell.
int StatusOf(std::string_view data)
{
    const std::size_t prefix = data.size() < kHttp.size() ? data.size() : kHttp.size();
    if (data.substr(0, prefix) != kHttp.substr(0, prefix)) return 0;
    std::size_t at = prefix;
    for (; at < data.size() && data[at] != ' '; ++at)
        if (data[at] == '\n' || at - kHttp.size() > kMaxVersionLength) return 0;
    while (at < data.size() && data[at] == ' ') ++at;
    int code = 0;
    for (int digits = 0; digits < 3; ++digits, ++at) {
        if (at >= data.size()) return CouldRedirect(code, digits) ? -1 : 0;
        if (!IsDigit(data[at])) return 0;
        code = code * 10 + (data[at] - '0');
    }
    if (at >= data.size()) return -1;
    return IsDigit(data[at]) ? 0 : code;
}

ReplyStart ClassifyWhole(std::string_view data, bool ended, std::string& location)
{
    const int status = StatusOf(data);
    if (status < 0) return ended ? ReplyStart::Final : ReplyStart::Undecided;
    if (!IsRedirectStatus(status)) {
        // The hooks' first piece holds the whole head when it fits in one: a server or a proxy
        // that sends its status line and its header lines apart would otherwise keep the
        // Content-Length out of the first piece, and the movie's size out of its row.
        const bool head = data.substr(0, kHttp.size()) == kHttp;
        if (head && !ended && data.size() < kMaxPieceBytes && HeadEnd(data) == std::string_view::npos)
            return ReplyStart::Undecided;
        return ReplyStart::Final;
    }
    const std::size_t headEnd = HeadEnd(data);
    if (headEnd == std::string_view::npos) return ended ? ReplyStart::Final : ReplyStart::Undecided;
    const std::string_view value = HeaderValue(data.substr(0, headEnd), "location");
    if (value.empty()) return ReplyStart::Final;
    location.assign(value);
    return ReplyStart::Redirect;
}

// ---- RFC 3986 resolution ----

struct UriParts {
    std::string scheme;      // without ":"
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    bool hasQuery = false;
    std::string query;
};

std::size_t SchemeLength(std::string_view text)
{
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return i;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

UriParts Parse(std::string_view text)
{
    UriParts parts;
    text = text.substr(0, text.find('#'));
    if (const std::size_t scheme = SchemeLength(text)) {
        parts.scheme.assign(text.substr(0, scheme));
        text.remove_prefix(scheme + 1);
    }
    if (text.substr(0, 2) == "//") {
        parts.hasAuthority = true;
        const std::size_t end = text.find_first_of("/?", 2);
        parts.authority.assign(text.substr(2, end - 2));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end);
    }
    const std::size_t question = text.find('?');
    parts.path.assign(text.substr(0, question));
    if (question != std::string_view::npos) {
        parts.hasQuery = true;
        parts.query.assign(text.substr(question + 1));
    }
    return parts;
}

void DropLastSegment(std::string& output)
{
    const std::size_t slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
}

std::string RemoveDotSegments(std::string_view input)
{
    std::string output;
    while (!input.empty()) {
        if (input.substr(0, 3) == "../") {
            input.remove_prefix(3);
        } else if (input.substr(0, 2) == "./") {
            input.remove_prefix(2);
        } else if (input.substr(0, 3) == "/./") {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.substr(0, 4) == "/../") {
            input.remove_prefix(3);
            DropLastSegment(output);
        } else if (input == "/..") {
            input = "/";
            DropLastSegment(output);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            output.append(input.substr(0, next));
            input.remove_prefix(next == std::string_view::npos ? input.size() : next);
        }
    }
    return output;
}

std::string Merge(const UriParts& base, std::string_view path)
{
    if (base.hasAuthority && base.path.empty()) return "/" + std::string(path);
    const std::size_t slash = base.path.rfind('/');
    if (slash == std::string::npos) return std::string(path);
    return base.path.substr(0, slash + 1) + std::string(path);
}

std::string Encoded(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

} // namespace

int ReplyStatus(std::string_view head)
{
    const int status = StatusOf(head);
    return status < 0 ? 0 : status;
}

ReplyStart ClassifyReply(std::string_view received, bool ended, std::string_view base, std::string& target)
{
    std::string location;
    ReplyStart start = ClassifyWhole(received, ended, location);
    if (start == ReplyStart::Undecided && received.size() >= kMaxHeldHead) return ReplyStart::Final;
    if (start != ReplyStart::Redirect) return start;
    target = ResolveReference(base, location);
    const std::string_view scheme = std::string_view(target).substr(0, target.find(':'));
    if (EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https")) return ReplyStart::Redirect;
    target.clear();
    return ReplyStart::Final;
}

std::string ResolveReference(std::string_view base, std::string_view reference)
{
    const std::size_t baseScheme = SchemeLength(base);
    UriParts from = baseScheme != 0 && base.substr(baseScheme + 1, 2) == "//"
                        ? Parse(base)
                        : Parse("http://" + std::string(base));
    UriParts ref = Parse(Encoded(reference));

    UriParts target;
    if (!ref.scheme.empty()) {
        target = ref;
        target.path = RemoveDotSegments(ref.path);
    } else {
        if (ref.hasAuthority) {
            target = ref;
            target.path = RemoveDotSegments(ref.path);
        } else {
            if (ref.path.empty()) {
                target.path = from.path;
                target.hasQuery = ref.hasQuery || from.hasQuery;
                target.query = ref.hasQuery ? ref.query : from.query;
            } else {
                target.path = RemoveDotSegments(ref.path[0] == '/' ? ref.path : Merge(from, ref.path));
                target.hasQuery = ref.hasQuery;
                target.query = ref.query;
            }
            target.hasAuthority = from.hasAuthority;
            target.authority = from.authority;
        }
        target.scheme = from.scheme;
    }

    std::string text = target.scheme + ":";
    if (target.hasAuthority) text += "//" + target.authority;
    text += target.path;
    if (target.hasQuery) text += "?" + target.query;
    return text;
}
