// Checking and splitting addresses, request targets and the request text.
#include <gtest/gtest.h>

#include <string>

#include "HttpAddress.h"

namespace {

struct SplitCase {
    const char* url;
    int code;
    const char* host;
    int port;
    const char* directTarget;
    const char* proxyTarget;
};

const SplitCase kSplitCases[] = {
    {"http://host/dir/page.html", 0, "host", 80, "/dir/page.html", "http://host/dir/page.html"},
    {"http://host", 0, "host", 80, "/", "http://host"},
    {"http://host/", 0, "host", 80, "/", "http://host/"},
    {"host:81/a/b.swf", 0, "host", 81, "/a/b.swf", "http://host:81/a/b.swf"},
    {"http://host:8080/x", 0, "host", 8080, "/x", "http://host:8080/x"},
    {"host/x", 0, "host", 80, "/x", "http://host/x"},
    {"ftp://host/p", 0, "host", 80, "/p", "ftp://host/p"},
    {"http://host/a:b/c", 0, "host", 80, "/a:b/c", "http://host/a:b/c"},
    {"http://host:abc/", 0, "host", 0, "/", "http://host:abc/"},
    {"http://host:0/", 0, "host", 0, "/", "http://host:0/"},
    {"http://host:+81/", 0, "host", 81, "/", "http://host:+81/"},
    {"http://host:65535/", 0, "host", 65535, "/", "http://host:65535/"},
    {"http://host:81:junk/p", 0, "host", 81, "/p", "http://host:81:junk/p"},
    {"http://host/?q=1#frag@x", 0, "host", 80, "/?q=1#frag@x", "http://host/?q=1#frag@x"},
    // https: port 443 unless one is given, the scheme in any letter case.
    {"https://host/a.swf", 0, "host", 443, "/a.swf", "https://host/a.swf"},
    {"HTTPS://host:8443/a.swf", 0, "host", 8443, "/a.swf", "HTTPS://host:8443/a.swf"},
    {"httpsx://host/a.swf", 0, "host", 80, "/a.swf", "httpsx://host/a.swf"},
    // IPv6 literals in brackets: their colons are not the port's.
    {"http://[::1]:8080/x", 0, "::1", 8080, "/x", "http://[::1]:8080/x"},
    {"https://[2001:db8::7]/x", 0, "2001:db8::7", 443, "/x", "https://[2001:db8::7]/x"},
    {"[::ffff:127.0.0.1]", 0, "::ffff:127.0.0.1", 80, "/", "http://[::ffff:127.0.0.1]"},
    {"http://[::1]x/", 7, "", 0, "", ""},
    {"http://[::1/x]", 7, "", 0, "", ""},
    {"http://[host]/", 7, "", 0, "", ""},
    {"http://[::1]:/", 6, "", 0, "", ""},
    // Failures, in the order the checks run.
    {"", 2, "", 0, "", ""},
    {"http:/x", 6, "", 0, "", ""},
    {"http://host:/p", 6, "", 0, "", ""},
    {"http://host:", 8, "", 0, "", ""},
    {"http://:80/", 7, "", 0, "", ""},
    {"http:///p", 7, "", 0, "", ""},
    {"http://host:99999/", 8, "", 0, "", ""},
    {"http://host:65536/", 8, "", 0, "", ""},
    {"http://host:-1/", 8, "", 0, "", ""},
    {"http://host:99999999999999999999/", 8, "", 0, "", ""},
};

TEST(SplitAddress, HostPortAndTargetsDirectAndThroughProxy)
{
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.url);
        HttpAddress address;
        AddressFailure failure = SplitAddress(c.url, address);
        EXPECT_EQ(failure.code, c.code);
        if (c.code != 0) continue;
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.port, c.port);
        EXPECT_EQ(RequestTarget(address, c.url, false), c.directTarget);
        EXPECT_EQ(RequestTarget(address, c.url, true), c.proxyTarget);
    }
}

TEST(SplitAddress, FailureTexts)
{
    HttpAddress address;
    EXPECT_STREQ(SplitAddress(nullptr, address).text, "Error: URL Is Nothing.");
    EXPECT_STREQ(SplitAddress("http:/x", address).text, "Error: Proto Parse Failed.");
    EXPECT_STREQ(SplitAddress("http://:80/", address).text, "Error: Bad Host In URL.");
    EXPECT_STREQ(SplitAddress("http://host:", address).text, "Error: Bad Port In URL.");
    EXPECT_STREQ(SplitAddress(std::string(256, 'a').c_str(), address).text, "Error: URL Too Long.");
}

TEST(SplitAddress, LengthLimitIs255Characters)
{
    const std::string prefix = "http://host/";
    const std::string at255 = prefix + std::string(255 - prefix.size(), 'a');
    const std::string at256 = at255 + "a";
    HttpAddress address;
    EXPECT_EQ(SplitAddress(at255.c_str(), address).code, 0);
    EXPECT_EQ(RequestTarget(address, at255, false), "/" + std::string(255 - prefix.size(), 'a'));
    EXPECT_EQ(SplitAddress(at256.c_str(), address).code, NET_ERR_URL_TOO_LONG);
    // Through a proxy the target of a 255-character address without scheme is 262 characters.
    const std::string bare = "host/" + std::string(250, 'b');
    ASSERT_EQ(SplitAddress(bare.c_str(), address).code, 0);
    EXPECT_EQ(RequestTarget(address, bare, true).size(), 262u);
}

TEST(SplitAddress, RedirectTargetsMayBeLongerThanTypedAddresses)
{
    const std::string signedLink = "https://cdn.example/m.swf?token=" + std::string(900, 't');
    HttpAddress address;
    EXPECT_EQ(SplitAddress(signedLink.c_str(), address).code, NET_ERR_URL_TOO_LONG);
    EXPECT_EQ(SplitAddress(signedLink.c_str(), address, 4096).code, 0);
    EXPECT_TRUE(address.secure);
}

TEST(HostForHeader, IPv6LiteralsKeepTheirBrackets)
{
    HttpAddress address;
    ASSERT_EQ(SplitAddress("http://[::1]:81/x", address).code, 0);
    EXPECT_EQ(HostForHeader(address), "[::1]");
    EXPECT_EQ(ConnectRequest(address).substr(0, 26), "CONNECT [::1]:81 HTTP/1.0\r");
    ASSERT_EQ(SplitAddress("https://host/x", address).code, 0);
    EXPECT_EQ(HostForHeader(address), "host");
}

TEST(ProxyPort, EmptyZeroOrNotANumberGive8080)
{
    const std::pair<const char*, int> cases[] = {
        {"", 8080}, {"0", 8080}, {"abc", 8080}, {nullptr, 8080},
        {"3128", 3128}, {" 3128", 3128}, {"3128x", 3128}, {"+81", 81},
    };
    for (const auto& [text, port] : cases) {
        SCOPED_TRACE(text ? text : "(null)");
        EXPECT_EQ(ProxyPortFromText(text), port);
    }
}

TEST(RequestLines, ExactTextOfTheGetRequest)
{
    const auto lines = RequestLines("/dir/page.html", "host");
    std::string all;
    for (const auto& line : lines) all += line;
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_EQ(all,
              "GET /dir/page.html HTTP/1.0\r\n"
              "Accept: image/gif, image/x-bitmap, image/jpeg, */*\r\n"
              "Accept-Language: en\r\n"
              "Cache-Control: no-cache\r\n"
              "User-Agent: Mozilla/4.0 (compatible; MSIE 5.0; Windows 98)\r\n"
              "Host: host\r\n\r\n");
}

} // namespace
