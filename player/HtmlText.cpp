#include "HtmlText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string Lower(std::u32string_view text)
{
    std::string lower;
    for (char32_t c : text) lower.push_back(c < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(c))) : '?');
    return lower;
}

// One HTML tag: its name, lower case, with a leading '/' when it closes, and its attributes.
struct Tag {
    std::string name;
    std::vector<std::pair<std::string, std::u32string>> attributes;

    const std::u32string* Find(const std::string& key) const
    {
        for (const auto& [name_, value] : attributes) {
            if (name_ == key) return &value;
        }
        return nullptr;
    }
};

bool IsSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

Tag ParseTag(std::u32string_view inside)
{
    Tag tag;
    std::size_t pos = 0;
    const auto skipSpace = [&] {
        while (pos < inside.size() && IsSpace(inside[pos])) ++pos;
    };
    const auto word = [&] {
        const std::size_t start = pos;
        while (pos < inside.size() && !IsSpace(inside[pos]) && inside[pos] != '=' && inside[pos] != '>') ++pos;
        return Lower(inside.substr(start, pos - start));
    };
    skipSpace();
    tag.name = word();
    for (;;) {
        skipSpace();
        if (pos >= inside.size()) break;
        std::string key = word();
        if (key.empty()) {
            ++pos;
            continue;
        }
        skipSpace();
        std::u32string value;
        if (pos < inside.size() && inside[pos] == '=') {
            ++pos;
            skipSpace();
            if (pos < inside.size() && (inside[pos] == '"' || inside[pos] == '\'')) {
                const char32_t quote = inside[pos++];
                const std::size_t end = std::min(inside.find(quote, pos), inside.size());
                value = inside.substr(pos, end - pos);
                pos = std::min(end + 1, inside.size());
            } else {
                const std::size_t start = pos;
                while (pos < inside.size() && !IsSpace(inside[pos])) ++pos;
                value = inside.substr(start, pos - start);
            }
        }
        tag.attributes.emplace_back(std::move(key), std::move(value));
    }
    return tag;
}

// "&amp;" and the like at `pos` (just after the '&'); `length` is set to the characters used.
char32_t Entity(std::u32string_view text, std::size_t pos, std::size_t& length)
{
    const std::size_t end = text.find(';', pos);
    length = 0;
    if (end == std::u32string_view::npos || end - pos > 10) return 0;
    const std::string name = Lower(text.substr(pos, end - pos));
    length = end - pos + 1;
    if (name == "lt") return '<';
    if (name == "gt") return '>';
    if (name == "amp") return '&';
    if (name == "quot") return '"';
    if (name == "apos") return '\'';
    if (name == "nbsp") return 0xA0;
    if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const char* digits = name.c_str() + (hex ? 2 : 1);
        char* stop = nullptr;
        const unsigned long value = std::strtoul(digits, &stop, hex ? 16 : 10);
        if (stop && *stop == '\0' && *digits != '\0' && value > 0 && value <= 0x10FFFF) return static_cast<char32_t>(value);
    }
    length = 0;
    return 0;
}

TextAlign AlignOf(const std::u32string& value, TextAlign fallback)
{
    const std::string name = Lower(value);
    if (name == "left") return TextAlign::Left;
    if (name == "right") return TextAlign::Right;
    if (name == "center") return TextAlign::Center;
    if (name == "justify") return TextAlign::Justify;
    return fallback;
}

void ApplyFont(const Tag& tag, TextFormat& format)
{
    if (const std::u32string* face = tag.Find("face")) {
        // The first of a list of faces.
        const std::string name = EncodeUtf8(face->substr(0, face->find(',')));
        if (!name.empty()) format.face = name;
    }
    if (const std::u32string* size = tag.Find("size")) {
        const std::string text = EncodeUtf8(*size);
        const double points = std::atof(text.c_str());
        const bool relative = !text.empty() && (text[0] == '+' || text[0] == '-');
        const double twips = relative ? format.size + points * 20 : points * 20;
        if (twips > 0) format.size = std::clamp(twips, 20.0, 127.0 * 20 * 10);
    }
    if (const std::u32string* colour = tag.Find("color")) {
        const std::string text = EncodeUtf8(*colour);
        if (text.size() == 7 && text[0] == '#') {
            char* stop = nullptr;
            const unsigned long value = std::strtoul(text.c_str() + 1, &stop, 16);
            if (stop && *stop == '\0') {
                format.colour = {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value), format.colour.a};
            }
        }
    }
}

class CHtmlBuilder {
public:
    CHtmlBuilder(const TextFormat& format, TextAlign align) : m_formats{format}, m_align(align)
    {
        m_paragraphs.push_back({align, {}});
    }

    void Add(char32_t c)
    {
        Paragraph& paragraph = m_paragraphs.back();
        if (paragraph.runs.empty() || !(paragraph.runs.back().format == m_formats.back()))
            paragraph.runs.push_back({{}, m_formats.back()});
        paragraph.runs.back().text.push_back(c);
        m_bOpenEmpty = false;
    }

    void Break(TextAlign align) { m_paragraphs.push_back({align, {}}); }

    void OnTag(const Tag& tag)
    {
        const std::string& name = tag.name;
        if (name == "br" || name == "br/" || name == "sbr") {
            Break(m_paragraphs.back().align);
        } else if (name == "p" || name == "li") {
            // A paragraph that opens a field, or follows one just closed, needs no break of its own.
            TextAlign align = m_align;
            if (const std::u32string* value = tag.Find("align")) align = AlignOf(*value, m_align);
            if (m_bOpenEmpty) {
                m_paragraphs.back().align = align;
            } else {
                Break(align);
            }
            m_bOpenEmpty = true;
            if (name == "li") {
                Add(0x2022);
                Add(' ');
            }
        } else if (name == "/p" || name == "/li") {
            if (!m_bOpenEmpty) Break(m_align);
            m_bOpenEmpty = true;
        } else if (name == "font" || name == "b" || name == "i" || name == "u") {
            TextFormat format = m_formats.back();
            if (name == "font") ApplyFont(tag, format);
            format.bold |= name == "b";
            format.italic |= name == "i";
            format.underline |= name == "u";
            if (m_formats.size() < kMaxNesting) m_formats.push_back(format);
        } else if (name == "/font" || name == "/b" || name == "/i" || name == "/u") {
            if (m_formats.size() > 1) m_formats.pop_back();
        }
    }

    std::vector<Paragraph> Take()
    {
        // A closing </p> leaves an empty paragraph at the end that shows nothing.
        if (m_paragraphs.size() > 1 && m_paragraphs.back().runs.empty()) m_paragraphs.pop_back();
        return std::move(m_paragraphs);
    }

private:
    static constexpr std::size_t kMaxNesting = 64;

    std::vector<TextFormat> m_formats;
    TextAlign m_align;
    std::vector<Paragraph> m_paragraphs;
    bool m_bOpenEmpty = true;
};

} // namespace

std::u32string DecodeText(const std::string& text, bool utf8, std::size_t limit)
{
    std::u32string decoded;
    for (std::size_t i = 0; i < text.size() && decoded.size() < limit;) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!utf8 || lead < 0x80) {
            decoded.push_back(lead);
            ++i;
            continue;
        }
        const int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        char32_t value = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : lead & 0x1F;
        bool valid = extra > 0;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + k >= text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            value = value << 6 | (next & 0x3F);
        }
        if (!valid || value > 0x10FFFF) {
            decoded.push_back(kReplacement);
            ++i;
            continue;
        }
        decoded.push_back(value);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return decoded;
}

std::string EncodeUtf8(const std::u32string& text)
{
    std::string encoded;
    for (char32_t c : text) {
        if (c < 0x80) {
            encoded.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            encoded.push_back(static_cast<char>(0xC0 | c >> 6));
            encoded.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            encoded.push_back(static_cast<char>(0xE0 | c >> 12));
            encoded.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            encoded.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            encoded.push_back(static_cast<char>(0xF0 | c >> 18));
            encoded.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            encoded.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            encoded.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return encoded;
}

std::vector<Paragraph> PlainParagraphs(const std::u32string& text, const TextFormat& format, TextAlign align)
{
    std::vector<Paragraph> paragraphs{{align, {{{}, format}}}};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            paragraphs.push_back({align, {{{}, format}}});
        } else {
            paragraphs.back().runs.back().text.push_back(text[i]);
        }
    }
    return paragraphs;
}

std::vector<Paragraph> HtmlParagraphs(const std::u32string& html, const TextFormat& format, TextAlign align)
{
    CHtmlBuilder builder(format, align);
    for (std::size_t i = 0; i < html.size();) {
        const char32_t c = html[i];
        if (c == '<') {
            const std::size_t end = html.find('>', i);
            if (end == std::u32string::npos) break;  // an unfinished tag shows nothing
            builder.OnTag(ParseTag(std::u32string_view(html).substr(i + 1, end - i - 1)));
            i = end + 1;
        } else if (c == '&') {
            std::size_t length = 0;
            const char32_t value = Entity(html, i + 1, length);
            builder.Add(length > 0 ? value : c);
            i += 1 + length;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < html.size() && html[i + 1] == '\n') ++i;
            builder.Break(align);
            ++i;
        } else {
            builder.Add(c);
            ++i;
        }
    }
    return builder.Take();
}

std::u32string PlainText(const std::vector<Paragraph>& paragraphs)
{
    std::u32string text;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) text.push_back('\r');
        for (const StyledRun& run : paragraphs[i].runs) text += run.text;
    }
    return text;
}
