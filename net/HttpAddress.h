#pragma once
// Checking and splitting a web address, choosing the request target, and the text of the GET
// and CONNECT requests. Platform-neutral: the transfer engine calls these, and so do the native
// tests.
#include <string>
#include <string_view>
#include <vector>

// Status codes reported with WM_NET_STATUS; shared by every network worker and its owner.
enum NetStatus {
    NET_ERR_NO_BUFFER = 0,
    NET_ERR_SOCKET = 1,
    NET_ERR_NO_URL = 2,
    NET_ERR_URL_TOO_LONG = 3,
    NET_ERR_UNKNOWN_HOST = 4,
    NET_ERR_NO_PROXY = 5,
    NET_ERR_BAD_SCHEME = 6,
    NET_ERR_BAD_HOST = 7,
    NET_ERR_BAD_PORT = 8,
    NET_CONNECTED = 9,
    NET_RECEIVING = 10,
    NET_SOCKET_CREATED = 11,
    // 12 and up: the download's own (DownloadStatus.h); the client's later failures follow them.
    NET_ERR_TLS = 17,                 // handshake or record failed; value: the security status
    NET_ERR_CERT_UNTRUSTED = 18,      // value: the certificate policy's error
    NET_ERR_CERT_OTHER_HOST = 19,
    NET_ERR_CERT_EXPIRED = 20,
    NET_ERR_TOO_MANY_REDIRECTS = 21,
    NET_ERR_PROXY_REFUSED = 22,       // value: the proxy's status (0 when it gave none)
};

constexpr std::size_t kMaxUrlLength = 255;
constexpr int kDefaultPort = 80;
constexpr int kDefaultSecurePort = 443;
constexpr int kDefaultProxyPort = 8080;

struct HttpAddress {
    std::string scheme;   // text before "://", possibly empty; only "https" means anything
    std::string host;     // an IPv6 literal without its brackets
    bool bracketed = false;   // the host was written as "[v6 literal]"
    bool secure = false;      // "https", in any letter case: TLS, port 443 unless one is given
    int port = kDefaultPort;
    bool hasPath = false; // a "/" ended the host (and port)
    std::string path;     // everything after that "/", uninterpreted
};

struct AddressFailure {
    int code = 0;             // 0: no failure
    const char* text = "";
};

// The checks before the split, the split itself and the checks after it, in that order.
// Addresses the user gives are held to kMaxUrlLength; a server's redirect may name a longer one.
AddressFailure SplitAddress(const char* url, HttpAddress& out, std::size_t maxLength = kMaxUrlLength);

// The host as the Host line and a CONNECT request write it: an IPv6 literal in brackets.
std::string HostForHeader(const HttpAddress& address);

// The request target: "/" + path when direct; through a proxy the whole address, with
// "http://" put in front when it has no scheme.
std::string RequestTarget(const HttpAddress& address, std::string_view url, bool useProxy);

// The lines of the GET request, each sent by one SendLine; the last carries the blank line.
std::vector<std::string> RequestLines(std::string_view target, std::string_view host);

// The request that asks a proxy for a tunnel to the address's host and port.
std::string ConnectRequest(const HttpAddress& address);

// ASCII letters compared without case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Reads a number the way atoi does (leading blanks, a sign, digits up to the first other
// character, 0 when there are none), saturating instead of overflowing.
long long ReadDecimal(std::string_view text);

// The proxy port for the "ProxyPort" text: its number, or 8080 when that is 0.
int ProxyPortFromText(const char* text);
