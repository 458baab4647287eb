#include "HttpAddress.h"

#include <cctype>
#include <cstring>

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

AddressFailure Fail(int code, const char* text) { return AddressFailure{code, text}; }

// Hex digits, colons and dots (an embedded IPv4 tail), with at least one colon. The system's
// parser decides the rest; this only keeps names out of the brackets.
bool IsIpv6Literal(std::string_view text)
{
    if (text.find(':') == std::string_view::npos) return false;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
    }
    return true;
}

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    // Folded by hand rather than by tolower: the movie finder compares every tag's name with it.
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

long long ReadDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Saturates far above any port, size or coordinate, far below overflow.
        if (value < 100'000'000'000'000'000LL) value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

int ProxyPortFromText(const char* text)
{
    long long value = ReadDecimal(text ? text : "");
    // Out-of-range numbers keep their low bits, as the connect step uses only those.
    int port = static_cast<int>(static_cast<unsigned long long>(value) & 0xFFFFFFFFu);
    return port == 0 ? kDefaultProxyPort : port;
}

AddressFailure SplitAddress(const char* url, HttpAddress& out, std::size_t maxLength)
{
    out = HttpAddress{};
    if (!url || !*url) return Fail(NET_ERR_NO_URL, "Error: URL Is Nothing.");
    const std::size_t len = std::strlen(url);
    if (len > maxLength) return Fail(NET_ERR_URL_TOO_LONG, "Error: URL Too Long.");

    std::string_view text(url, len);
    std::size_t pieceStart = 0;
    bool hostFound = false;
    bool portEnded = false;   // a second ":" closed the port text; the rest up to "/" is ignored
    std::string portText;
    std::size_t i = 0;
    for (; i < len; ++i) {
        const char c = text[i];
        if (c == '/') break;
        if (c == '[' && i == pieceStart && !hostFound && !out.bracketed) {
            // An IPv6 literal: its colons are not the port's.
            const std::size_t close = text.find(']', i);
            const std::size_t slash = text.find('/', i);
            if (close == std::string_view::npos || close > slash || !IsIpv6Literal(text.substr(i + 1, close - i - 1)))
                return Fail(NET_ERR_BAD_HOST, "Error: Bad Host In URL.");
            out.host.assign(text.substr(i + 1, close - i - 1));
            out.bracketed = true;
            i = close;
            pieceStart = close + 1;
            continue;
        }
        if (c != ':' || portEnded) continue;
        if (i + 1 < len && text[i + 1] == '/') {
            if (i + 2 < len && text[i + 2] == '/' && !out.bracketed) {
                out.scheme.assign(text.substr(pieceStart, i - pieceStart));
                i += 2;
                pieceStart = i + 1;
                continue;
            }
            return Fail(NET_ERR_BAD_SCHEME, "Error: Proto Parse Failed.");
        }
        if (!hostFound) {
            if (!out.bracketed) out.host.assign(text.substr(pieceStart, i - pieceStart));
            else if (i != pieceStart) return Fail(NET_ERR_BAD_HOST, "Error: Bad Host In URL.");
            hostFound = true;
        } else {
            portText.assign(text.substr(pieceStart, i - pieceStart));
            portEnded = true;
        }
        pieceStart = i + 1;
    }
    // The scan stopped at the first "/" (i) or at the end (i == len).
    const std::string_view lastPiece = text.substr(pieceStart, i - pieceStart);
    if (!hostFound) {
        if (!out.bracketed) out.host.assign(lastPiece);
        else if (!lastPiece.empty()) return Fail(NET_ERR_BAD_HOST, "Error: Bad Host In URL.");
    } else if (!portEnded) {
        portText.assign(lastPiece);
    }
    if (i < len) {
        out.hasPath = true;
        out.path.assign(text.substr(i + 1));
    }

    if (out.host.empty()) return Fail(NET_ERR_BAD_HOST, "Error: Bad Host In URL.");
    out.secure = EqualsNoCase(out.scheme, "https");
    if (out.secure) out.port = kDefaultSecurePort;
    if (hostFound) {
        const long long port = ReadDecimal(portText);
        if (portText.empty() || port < 0 || port > 65535)
            return Fail(NET_ERR_BAD_PORT, "Error: Bad Port In URL.");
        out.port = static_cast<int>(port);
    }
    return {};
}

std::string HostForHeader(const HttpAddress& address)
{
    return address.bracketed ? "[" + address.host + "]" : address.host;
}

std::string RequestTarget(const HttpAddress& address, std::string_view url, bool useProxy)
{
    if (!useProxy) return "/" + address.path;
    if (!address.scheme.empty()) return std::string(url);
    return "http://" + std::string(url);
}

std::vector<std::string> RequestLines(std::string_view target, std::string_view host)
{
    return {
        "GET " + std::string(target) + " HTTP/1.0\r\n",
        "Accept: image/gif, image/x-bitmap, image/jpeg, */*\r\n",
        "Accept-Language: en\r\n",
        "Cache-Control: no-cache\r\n",
        std::string("User-Agent: ") + kUserAgent + "\r\n",
        "Host: " + std::string(host) + "\r\n\r\n",
    };
}

std::string ConnectRequest(const HttpAddress& address)
{
    const std::string authority = HostForHeader(address) + ":" + std::to_string(address.port);
    return "CONNECT " + authority + " HTTP/1.0\r\n" +
           "User-Agent: " + kUserAgent + "\r\n" +
           "Host: " + authority + "\r\n\r\n";
}
