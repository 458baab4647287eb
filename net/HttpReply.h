#pragma once
// What the client reads from a reply's first bytes: its status, whether it sends the client
// elsewhere, and where that is (RFC 3986 resolution). Platform-neutral.
#include <string>
#include <string_view>

// Redirects followed for one fetch; one more is a failure.
constexpr int kMaxRedirects = 10;
// A redirect target may be longer than an address a user types (signed CDN links are).
constexpr std::size_t kMaxRedirectUrlLength = 4096;

// The most one piece handed to a client's hooks holds.
constexpr std::size_t kMaxPieceBytes = 4095;

// The code of the status line ("HTTP/1.0 302 Found" gives 302); 0 when `head` does not begin
// with a whole one.
int ReplyStatus(std::string_view head);

enum class ReplyStart {
    Undecided,   // too few bytes yet to tell
    Final,       // the reply is the answer: it goes to the hooks as it is
    Redirect,    // 301, 302, 303, 307 or 308 with a Location
};

// Looks at the bytes of a reply received so far (`ended`: the server closed after them). For
// Redirect, `target` is the address its Location names, resolved against `base` (the address
// that answered). A redirect status without a Location, with one that leads anywhere but to
// http or https, or a head that never ends, is an ordinary reply. Any other reply with a
// status line is Final once its head has ended or a first piece's worth of it has come.
ReplyStart ClassifyReply(std::string_view received, bool ended, std::string_view base, std::string& target);

// The address a reference (a Location value) names when read against `base`, the address
// that answered (RFC 3986 section 5.2: dot segments removed, fragment dropped). A base
// without "scheme://" is taken as http. Characters that cannot stand in an address (blanks,
// control and non-ASCII bytes) are percent-encoded.
std::string ResolveReference(std::string_view base, std::string_view reference);
