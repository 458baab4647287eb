#pragma once
// Reads HTML as browsers split it into tags, far enough to find tags and their attributes:
// comments, raw-text elements (script, style, textarea...), quoted and unquoted values.
// Platform-neutral; one pass over the text, so hostile pages cost no more than their length.
#include <cstdint>
#include <string_view>
#include <vector>

#include "HttpAddress.h"   // EqualsNoCase

// Stands in markup built from script strings where a string was joined with something that is
// not a string literal (a variable, a call): a value holding it is not known.
constexpr char kJoinMark = '\x01';

struct MarkupAttribute {
    std::string_view name;    // as written
    std::string_view value;   // as written: character references not decoded
};

struct MarkupTag {
    std::string_view name;    // as written
    std::size_t offset = 0;   // of its "<" in the page
    bool isEnd = false;
    std::vector<MarkupAttribute> attributes;   // in order; browsers use the first of a name

    bool Is(std::string_view lowerName) const;
    // The first attribute of that name, compared without regard to case; null when absent.
    const MarkupAttribute* Find(std::string_view lowerName) const;
};

class CMarkupSink {
public:
    virtual ~CMarkupSink() = default;
    // Whether OnTag wants this tag: the others are read past without keeping their attributes.
    virtual bool WantsTag(std::string_view name, bool isEnd) const = 0;
    // Every start and end tag it wants, in order. A tag cut off by the end of the text is not one.
    virtual void OnTag(const MarkupTag& tag) = 0;
    // The text inside a <script> element; `offset` is where it starts in the page.
    virtual void OnScript(const MarkupTag& tag, std::string_view text, std::size_t offset) = 0;
    // Text that shows no markup, [begin, end) in the page: comments, the inside of style,
    // textarea, title, xmp, noembed, noframes, iframe and plaintext, and quoted attribute values
    // that hold a "<".
    virtual void OnDeadText(std::size_t begin, std::size_t end) = 0;
};

// Where the bytes of markup built from script strings came from in the page: runs of bytes that
// stand one after the other in the page, and decoded escapes whose bytes all stand for one place.
class CMarkupOrigins {
public:
    void Clear() { m_runs.clear(); }
    // The bytes from `markup` on come from `page` on (from `page` alone when `onePlace`); runs
    // are added in increasing order.
    void Add(std::size_t markup, std::size_t page, bool onePlace);
    // Where byte `markup` came from in the page.
    std::size_t At(std::size_t markup) const;

private:
    struct Run {
        std::uint32_t markup;
        std::uint32_t page;
        bool onePlace;
    };
    std::vector<Run> m_runs;
};

// `origins` is null for a page, and says where its bytes came from for markup built from script
// strings.
void ReadMarkup(std::string_view text, const CMarkupOrigins* origins, CMarkupSink& sink);
