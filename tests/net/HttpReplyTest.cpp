// Telling a redirect from the first bytes of a reply, and where a Location leads.
#include <gtest/gtest.h>

#include <string>

#include "HttpReply.h"

namespace {

struct ClassifyCase {
    const char* received;
    bool ended;
    ReplyStart start;
    const char* target;
};

const ClassifyCase kClassifyCases[] = {
    // Too early to tell: the hooks wait.
    {"", false, ReplyStart::Undecided, ""},
    {"HTT", false, ReplyStart::Undecided, ""},
    {"HTTP/1.0 30", false, ReplyStart::Undecided, ""},
    {"HTTP/1.0 302", false, ReplyStart::Undecided, ""},
    {"HTTP/1.0 302 Found\r\nLocation: /x\r\n", false, ReplyStart::Undecided, ""},
    // A head that has not ended yet, whatever its status: the first piece will hold all of it.
    {"HTTP/1.0 2", false, ReplyStart::Undecided, ""},
    {"HTTP/1.0 200 OK\r\n", false, ReplyStart::Undecided, ""},
    {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n", false, ReplyStart::Undecided, ""},
    // Decided by the status and the end of the head, or by the end of the reply.
    {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 404 Not Found\n\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 200 OK\r\n", true, ReplyStart::Final, ""},
    {"HTTP/1.0 304 Not Modified\r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 3021 Odd\r\nLocation: /x\r\n\r\n", false, ReplyStart::Final, ""},
    {"<html>", false, ReplyStart::Final, ""},
    {"abcdefgh", false, ReplyStart::Final, ""},
    {"HTTP/1.0 302", true, ReplyStart::Final, ""},
    // Redirects, resolved against the address that answered.
    {"HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\nbody", false, ReplyStart::Redirect, "http://h/x"},
    {"HTTP/1.1 301 Moved\r\nServer: s\r\nlocation:   https://s/y  \r\n\r\n", false, ReplyStart::Redirect,
     "https://s/y"},
    {"HTTP/1.0 303 See Other\r\nLOCATION:b\r\n\r\n", false, ReplyStart::Redirect, "http://h/d/b"},
    {"HTTP/1.0 307 T\nLocation: ../z\n\n", false, ReplyStart::Redirect, "http://h/z"},
    {"HTTP/1.0 308 P\r\nLocation: HTTPS://s/p\r\n\r\n", true, ReplyStart::Redirect, "HTTPS://s/p"},
    // Redirect statuses that are ordinary replies: no usable Location, or one leading elsewhere.
    {"HTTP/1.0 302 Found\r\nContent-Length: 0\r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 302 Found\r\nLocation: \r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 302 Found\r\nLocation: /x", true, ReplyStart::Final, ""},
    {"HTTP/1.0 302 Found\r\nX-Location: /x\r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 302 Found\r\nLocation: ftp://files/m.swf\r\n\r\n", false, ReplyStart::Final, ""},
    {"HTTP/1.0 302 Found\r\nLocation: javascript:go()\r\n\r\n", false, ReplyStart::Final, ""},
};

TEST(ClassifyReply, RedirectsAreToldFromTheStatusLineAndLocation)
{
    for (const ClassifyCase& c : kClassifyCases) {
        SCOPED_TRACE(c.received);
        std::string target;
        EXPECT_EQ(ClassifyReply(c.received, c.ended, "http://h/d/page.html", target), c.start);
        EXPECT_EQ(target, c.target);
    }
}

TEST(ClassifyReply, AHeadThatNeverEndsIsNotWaitedForForever)
{
    std::string target;
    const std::string huge = "HTTP/1.0 302 Found\r\nX: " + std::string(70000, 'x');
    EXPECT_EQ(ClassifyReply(huge, false, "http://h/", target), ReplyStart::Final);
}

TEST(ClassifyReply, AnOrdinaryHeadIsWaitedForAPieceAtMost)
{
    std::string target;
    const std::string head = "HTTP/1.0 200 OK\r\nX: " + std::string(kMaxPieceBytes, 'x');
    EXPECT_EQ(ClassifyReply(head.substr(0, kMaxPieceBytes - 1), false, "http://h/", target), ReplyStart::Undecided);
    EXPECT_EQ(ClassifyReply(head.substr(0, kMaxPieceBytes), false, "http://h/", target), ReplyStart::Final);
}

TEST(ReplyStatus, CodeOfAWholeStatusLineOnly)
{
    EXPECT_EQ(ReplyStatus("HTTP/1.0 200 Connection established\r\n\r\n"), 200);
    EXPECT_EQ(ReplyStatus("HTTP/1.1 403 Forbidden\r\n"), 403);
    EXPECT_EQ(ReplyStatus("HTTP/1.0 20"), 0);
    EXPECT_EQ(ReplyStatus("SSH-2.0-x\r\n"), 0);
}

// RFC 3986 section 5.4 against its base, fragments dropped, then this client's own cases.
TEST(ResolveReference, TheRfcExamples)
{
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q"},
        {"g#s", "http://a/b/c/g"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"http://x/a/../b", "http://x/b"},
    };
    for (const auto& [reference, expected] : cases) {
        SCOPED_TRACE(reference);
        EXPECT_EQ(ResolveReference("http://a/b/c/d;p?q", reference), expected);
    }
}

TEST(ResolveReference, BasesAsTheClientFetchedThem)
{
    const struct {
        const char* base;
        const char* reference;
        const char* expected;
    } cases[] = {
        {"host/dir/page.html", "m.swf", "http://host/dir/m.swf"},
        {"http://host", "m.swf", "http://host/m.swf"},
        {"http://host:8080/a/b", "https://secure/x", "https://secure/x"},
        {"https://host/a/b", "//cdn/x.swf", "https://cdn/x.swf"},
        {"https://host/a/b", "http://host/b", "http://host/b"},
        {"http://[::1]:81/a/b", "c", "http://[::1]:81/a/c"},
        {"http://host/a/", "movie one.swf", "http://host/a/movie%20one.swf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.base) + " + " + c.reference);
        EXPECT_EQ(ResolveReference(c.base, c.reference), c.expected);
    }
}

} // namespace
