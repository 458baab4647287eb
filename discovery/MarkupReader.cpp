#include "MarkupReader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// What ends the parts of a tag, as bits of one table entry per byte: tags are most of a page.
enum : unsigned char {
    kSpace = 1,       // blanks
    kTagSpace = 2,    // blanks and the join mark: inside a tag it parts attributes as a blank
                      // does, as markup written by two calls of document.write runs on
    kNameEnd = 4,     // a tag's name: a blank, the join mark, "/" or ">"
    kAttrEnd = 8,     // an attribute's name: the same and "="
    kValueEnd = 16,   // an unquoted value: a blank or ">"
};

constexpr auto kClasses = [] {
    struct Table {
        unsigned char bits[256] = {};
    } table;
    for (const char c : {' ', '\t', '\n', '\r', '\f'})
        table.bits[static_cast<unsigned char>(c)] = kSpace | kTagSpace | kNameEnd | kAttrEnd | kValueEnd;
    table.bits[static_cast<unsigned char>(kJoinMark)] = kTagSpace | kNameEnd | kAttrEnd;
    table.bits[static_cast<unsigned char>('/')] = kNameEnd | kAttrEnd;
    table.bits[static_cast<unsigned char>('>')] = kNameEnd | kAttrEnd | kValueEnd;
    table.bits[static_cast<unsigned char>('=')] = kAttrEnd;
    return table;
}();

bool Is(char c, unsigned char what) { return (kClasses.bits[static_cast<unsigned char>(c)] & what) != 0; }
bool IsSpace(char c) { return Is(c, kSpace); }

// Elements whose text is not markup, and whether it is a script's.
enum class RawText { Script, Dead, ToTheEnd };

struct RawTextElement {
    std::string_view name;
    RawText kind;
};

constexpr RawTextElement kRawTextElements[] = {
    {"script", RawText::Script},  {"style", RawText::Dead},     {"textarea", RawText::Dead},
    {"title", RawText::Dead},     {"xmp", RawText::Dead},       {"noembed", RawText::Dead},
    {"noframes", RawText::Dead},  {"iframe", RawText::Dead},    {"plaintext", RawText::ToTheEnd},
};

const RawTextElement* RawTextOf(std::string_view name)
{
    if (name.size() < 3 || name.size() > 9) return nullptr;
    for (const RawTextElement& element : kRawTextElements) {
        if (EqualsNoCase(name, element.name)) return &element;
    }
    return nullptr;
}

class Reader {
public:
    Reader(std::string_view text, const CMarkupOrigins* origins, CMarkupSink& sink)
        : m_text(text), m_pOrigins(origins), m_sink(sink) {}

    void Run()
    {
        std::size_t p = 0;
        while (p < m_text.size()) {
            const void* lt = std::memchr(m_text.data() + p, '<', m_text.size() - p);
            if (!lt) return;
            p = AtTagOpen(static_cast<std::size_t>(static_cast<const char*>(lt) - m_text.data()));
        }
    }

private:
    std::size_t Origin(std::size_t i) const { return m_pOrigins ? m_pOrigins->At(i) : i; }

    bool At(std::size_t p, std::string_view what) const
    {
        return p <= m_text.size() && m_text.substr(p, what.size()) == what;
    }

    void Dead(std::size_t begin, std::size_t end)
    {
        if (end > begin) m_sink.OnDeadText(Origin(begin), Origin(end - 1) + 1);
    }

    // m_text[p] is "<"; returns where reading goes on.
    std::size_t AtTagOpen(std::size_t p)
    {
        const char next = p + 1 < m_text.size() ? m_text[p + 1] : '\0';
        if (IsAlpha(next)) return Tag(p, false);
        if (next == '/' && p + 2 < m_text.size() && IsAlpha(m_text[p + 2])) return Tag(p, true);
        if (At(p, "<!--")) return Comment(p);
        if (next == '!' || next == '?' || next == '/') return BogusComment(p);
        return p + 1;
    }

    std::size_t Comment(std::size_t p)
    {
        const std::size_t body = p + 4;
        std::size_t end = m_text.size();
        if (At(body, ">")) {
            end = body + 1;
        } else if (At(body, "->")) {
            end = body + 2;
        } else {
            for (std::size_t dashes = m_text.find("--", body); dashes != std::string_view::npos;
                 dashes = m_text.find("--", dashes + 1)) {
                if (At(dashes + 2, ">")) { end = dashes + 3; break; }
                if (At(dashes + 2, "!>")) { end = dashes + 4; break; }
            }
        }
        // "<!--[if IE]>" opens markup that Internet Explorer shows: what follows is live, up to
        // the "<![endif]-->" that a bogus comment takes care of. Its "]>" stands before the
        // comment's end, so no part of the page is searched twice for it.
        if (body + 3 <= end && EqualsNoCase(m_text.substr(body, 3), "[if")) {
            const std::size_t close = m_text.substr(0, end).find("]>", body);
            if (close != std::string_view::npos) end = close + 2;
        }
        Dead(p, end);
        return end;
    }

    // "<!DOCTYPE ...>", "<![endif]>", "<?xml ...?>", "</ >": up to the next ">".
    std::size_t BogusComment(std::size_t p)
    {
        const std::size_t close = m_text.find('>', p + 1);
        const std::size_t end = close == std::string_view::npos ? m_text.size() : close + 1;
        Dead(p, end);
        return end;
    }

    std::size_t Tag(std::size_t p, bool isEnd)
    {
        std::size_t q = p + (isEnd ? 2 : 1);
        const std::size_t nameStart = q;
        while (q < m_text.size() && !Is(m_text[q], kNameEnd)) ++q;
        m_tag.name = m_text.substr(nameStart, q - nameStart);
        m_tag.offset = Origin(p);
        m_tag.isEnd = isEnd;
        m_tag.attributes.clear();
        const RawTextElement* raw = isEnd ? nullptr : RawTextOf(m_tag.name);
        const bool wanted = raw || m_sink.WantsTag(m_tag.name, isEnd);
        for (;;) {
            while (q < m_text.size() && (Is(m_text[q], kTagSpace) || m_text[q] == '/')) ++q;
            if (q >= m_text.size()) return q;   // cut off: browsers drop it
            if (m_text[q] == '>') {
                ++q;
                break;
            }
            q = Attribute(q, wanted);
            if (q >= m_text.size()) return q;
        }
        if (wanted) m_sink.OnTag(m_tag);
        if (!raw) return q;
        const std::size_t end = raw->kind == RawText::ToTheEnd ? m_text.size() : FindEndTag(q, raw->name);
        if (raw->kind == RawText::Script) {
            m_sink.OnScript(m_tag, m_text.substr(q, end - q), q < m_text.size() ? Origin(q) : Origin(q - 1) + 1);
        } else {
            Dead(q, end);
        }
        return end;
    }

    // One attribute at m_text[q], which is neither a blank nor "/" nor ">". The first character
    // of a name may be "=" (as browsers read it). Returns where the next one may start.
    std::size_t Attribute(std::size_t q, bool keep)
    {
        const std::size_t nameStart = q++;
        while (q < m_text.size() && !Is(m_text[q], kAttrEnd)) ++q;
        MarkupAttribute attribute{m_text.substr(nameStart, q - nameStart), {}};
        std::size_t after = q;
        while (after < m_text.size() && IsSpace(m_text[after])) ++after;
        if (after < m_text.size() && m_text[after] == '=') {
            q = after + 1;
            while (q < m_text.size() && IsSpace(m_text[q])) ++q;
            if (q >= m_text.size()) return q;
            const char quote = m_text[q];
            if (quote == '"' || quote == '\'') {
                const std::size_t close = m_text.find(quote, q + 1);
                if (close == std::string_view::npos) return m_text.size();
                attribute.value = m_text.substr(q + 1, close - q - 1);
                // Markup inside a value (an onclick script, an alt text) is not the page's.
                if (attribute.value.find('<') != std::string_view::npos) Dead(q + 1, close);
                q = close + 1;
            } else {
                const std::size_t valueStart = q;
                while (q < m_text.size() && !Is(m_text[q], kValueEnd)) ++q;
                attribute.value = m_text.substr(valueStart, q - valueStart);
            }
        }
        if (keep) m_tag.attributes.push_back(attribute);
        return q;
    }

    // Where the end tag of a raw-text element starts: "</name" and a blank, "/" or ">"; the end
    // of the text when there is none.
    std::size_t FindEndTag(std::size_t from, std::string_view name) const
    {
        for (std::size_t p = from;;) {
            const void* lt = std::memchr(m_text.data() + p, '<', m_text.size() - p);
            if (!lt) return m_text.size();
            p = static_cast<std::size_t>(static_cast<const char*>(lt) - m_text.data());
            const std::size_t after = p + 2 + name.size();
            if (At(p + 1, "/") && EqualsNoCase(m_text.substr(p + 2, name.size()), name) &&
                (after == m_text.size() || (after < m_text.size() && (IsSpace(m_text[after]) || m_text[after] == '/' || m_text[after] == '>'))))
                return p;
            ++p;
        }
    }

    std::string_view m_text;
    const CMarkupOrigins* m_pOrigins;
    CMarkupSink& m_sink;
    MarkupTag m_tag;
};

} // namespace

bool MarkupTag::Is(std::string_view lowerName) const
{
    return EqualsNoCase(name, lowerName);
}

const MarkupAttribute* MarkupTag::Find(std::string_view lowerName) const
{
    for (const MarkupAttribute& attribute : attributes) {
        if (EqualsNoCase(attribute.name, lowerName)) return &attribute;
    }
    return nullptr;
}

void CMarkupOrigins::Add(std::size_t markup, std::size_t page, bool onePlace)
{
    m_runs.push_back({static_cast<std::uint32_t>(markup), static_cast<std::uint32_t>(page), onePlace});
}

std::size_t CMarkupOrigins::At(std::size_t markup) const
{
    const auto after = std::upper_bound(m_runs.begin(), m_runs.end(), markup,
                                        [](std::size_t value, const Run& run) { return value < run.markup; });
    if (after == m_runs.begin()) return 0;
    const Run& run = *std::prev(after);
    return run.page + (run.onePlace ? 0 : markup - run.markup);
}

void ReadMarkup(std::string_view text, const CMarkupOrigins* origins, CMarkupSink& sink)
{
    Reader(text, origins, sink).Run();
}
