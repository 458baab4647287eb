#pragma once
// Checking and splitting a web address, choosing the request target, and the text of the GET
// request. Platform-neutral: the transfer engine calls these, and so do the native tests.
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
};

constexpr std::size_t kMaxUrlLength = 255;
constexpr int kDefaultPort = 80;
constexpr int kDefaultProxyPort = 8080;

struct HttpAddress {
    std::string scheme;   // text before "://", possibly empty; never checked
    std::string host;
    int port = kDefaultPort;
    bool hasPath = false; // a "/" ended the host (and port)
    std::string path;     // everything after that "/", uninterpreted
};

struct AddressFailure {
    int code = 0;             // 0: no failure
    const char* text = "";
};

// The checks before the split, the split itself and the checks after it, in that order.
AddressFailure SplitAddress(const char* url, HttpAddress& out);

// The request target: "/" + path when direct; through a proxy the whole address, with
// "http://" put in front when it has no scheme.
std::string RequestTarget(const HttpAddress& address, std::string_view url, bool useProxy);

// The lines of the GET request, each sent by one SendLine; the last carries the blank line.
std::vector<std::string> RequestLines(std::string_view target, std::string_view host);

// Reads a number the way atoi does (leading blanks, a sign, digits up to the first other
// character, 0 when there are none), saturating instead of overflowing.
long long ReadDecimal(std::string_view text);

// The proxy port for the "ProxyPort" text: its number, or 8080 when that is 0.
int ProxyPortFromText(const char* text);
