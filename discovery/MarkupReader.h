#pragma once
// Reads HTML as browsers split it into tags, far enough to find tags and their attributes:
// comments, raw-text elements (script, style, textarea...), quoted and unquoted values.
// Platform-neutral; one pass over the text, so hostile pages cost no more than their length.
#include <cstdint>
#include <string_view>
#include <vector>

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

bool EqualsNoCase(std::string_view text, std::string_view lower);

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

// `origins` is null for a page; for markup built from script strings it holds, for each byte
// of `text`, the offset in the page of the character it came from.
void ReadMarkup(std::string_view text, const std::uint32_t* origins, CMarkupSink& sink);
