#pragma once
// Movie addresses as the extended finder gives them: a value read from the page, resolved
// against the page's base address by RFC 3986 section 5.2 and normalised, so that one movie has
// one address however the page writes it. Platform-neutral.
#include <string>
#include <string_view>

// The longest address Internet Explorer would fetch, so no real page used a longer one. The
// bound also keeps a hostile page from making every relative value a copy of a huge base.
constexpr std::size_t kMaxMovieAddress = 2083;

// The absolute address that relative values are resolved against: the page's own, or the one
// its <base href> names.
class CBaseAddress {
public:
    // The page address is used whole; one without "scheme://" is taken as an http address.
    explicit CBaseAddress(std::string_view pageUrl);

    // A <base href> value (decoded), resolved against the current base; one that gives no
    // usable address is ignored.
    void SetBaseHref(std::string_view href);

    // The normalised absolute address of a value (character references already decoded):
    // blanks around it, tabs and line breaks dropped; "\" before the query taken as "/"; dot
    // segments removed; scheme and host in small letters; the default port and the fragment
    // dropped; bytes outside the URI character set percent-encoded; the path and query keep
    // their case. Empty when the value names nothing a browser would fetch as a movie: an empty
    // or fragment-only value, a javascript:, vbscript:, data:, about:, mailto: or blob: value, a
    // drive letter, a web address without a host, or one longer than kMaxMovieAddress.
    std::string Resolve(std::string_view value) const;

private:
    std::string m_strScheme;      // lower case, without ":"; empty when the page address is unusable
    bool m_bHasAuthority = false;
    std::string m_strAuthority;   // normalised
    std::string m_strPath;        // normalised
    bool m_bHasQuery = false;
    std::string m_strQuery;
};

// The extension of an address's last path segment, as written, without its dot; empty when it
// has none.
std::string_view PathExtension(std::string_view address);
// "swf" and "spl" (FutureSplash), the extensions of movies, in any case.
bool IsMovieExtension(std::string_view extension);
// Extensions, in any case, that name something other than a movie: sound, video and data files,
// pictures, documents, archives and other plug-ins' files (Shockwave Director, QuickTime, Java,
// VRML...).
bool IsNonMovieExtension(std::string_view extension);
