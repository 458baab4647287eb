#include "CTextField.h"

#include "TextReader.h"

#include <algorithm>
#include <cmath>

namespace {

// Where a field names no font, text shows in the usual serif face.
constexpr char kDefaultFace[] = "_serif";
// Without a layout table an embedded font's ascent and descent are taken as these shares of
// its height.
constexpr double kAscentShare = 0.9;
constexpr double kDescentShare = 0.22;

// A size in twips as the box's integers take it, however large the text made it.
std::int32_t BoxTwips(double value)
{
    return static_cast<std::int32_t>(std::clamp(std::ceil(value), 0.0, 1e9));
}

double InkRight(const Shape& glyph)
{
    std::int32_t right = 0;
    for (const ShapeEdge& edge : glyph.edges) right = std::max({right, edge.x0, edge.x1, edge.cx});
    return right;
}

} // namespace

// Where the glyphs of one format come from.
struct CTextField::Source {
    const Font* font = nullptr;
    IDeviceFonts* device = nullptr;
    DeviceFontKey key;
    double em = 1024;
    double ascent = 0;
    double descent = 0;

    // False when the character has no glyph; `advance` is in font units.
    bool Glyph(char32_t c, const Shape*& outline, double& advance) const
    {
        outline = nullptr;
        advance = 0;
        if (font) {
            const int index = font->FindGlyph(c);
            if (index < 0) {
                if (c != ' ' && c != 0xA0) return false;
                advance = em / 4;  // a space the font left out
                return true;
            }
            outline = &font->glyphs[static_cast<std::size_t>(index)];
            advance = font->hasLayout ? font->advances[static_cast<std::size_t>(index)] : InkRight(*outline) + em / 16;
            return true;
        }
        if (!device) return false;
        const DeviceGlyph* glyph = device->GetGlyph(key, c);
        if (!glyph) return false;
        outline = &glyph->outline;
        advance = glyph->advance;
        return true;
    }
};

// One character placed on a line, before the line is aligned.
struct CTextField::Item {
    char32_t c = 0;
    const Shape* outline = nullptr;
    double em = 1024;
    double pen = 0;      // from the line's start, twips
    double advance = 0;  // twips
    double ascent = 0;
    double descent = 0;
    double size = 240;
    Rgba colour;
    bool underline = false;
};

CTextField::CTextField(const CMovie& movie, const EditText& definition, PlayBudget& budget)
    : m_movie(movie), m_budget(budget), m_definition(definition)
{
    m_base.size = definition.fontHeight;
    m_base.colour = definition.colour;
    const Font* font = movie.FindFont(definition.fontId);
    m_base.face = font && !font->name.empty() ? font->name : kDefaultFace;
    if (font) {
        m_base.bold = font->bold;
        m_base.italic = font->italic;
    }
    if (definition.autoSize) m_autoSize = AutoSize::Left;
    m_source = Admit(DecodeText(definition.initialText, movie.GetVersion() >= 6, kMaxTextLength));
    m_bHtml = definition.html;
    m_paragraphs = m_bHtml ? HtmlParagraphs(m_source, m_base, definition.align)
                           : PlainParagraphs(m_source, m_base, definition.align);
}

CTextField::~CTextField()
{
    m_budget.textChars -= m_nCharged;
}

std::u32string CTextField::Admit(std::u32string text)
{
    m_budget.textChars -= m_nCharged;
    const std::size_t room = PlayBudget::kMaxTextChars - std::min(m_budget.textChars, PlayBudget::kMaxTextChars);
    if (text.size() > std::min(room, kMaxTextLength)) text.resize(std::min(room, kMaxTextLength));
    m_nCharged = text.size();
    m_budget.textChars += m_nCharged;
    return text;
}

std::string CTextField::GetText() const
{
    return EncodeUtf8(PlainText(m_paragraphs));
}

void CTextField::SetText(const std::string& utf8)
{
    m_source = Admit(DecodeText(utf8, true, kMaxTextLength));
    m_bHtml = false;
    m_paragraphs = PlainParagraphs(m_source, m_base, m_definition.align);
    m_bLaidOut = false;
}

std::string CTextField::GetHtmlText() const
{
    return EncodeUtf8(m_source);
}

void CTextField::SetHtmlText(const std::string& utf8)
{
    m_source = Admit(DecodeText(utf8, true, kMaxTextLength));
    m_bHtml = true;
    m_paragraphs = HtmlParagraphs(m_source, m_base, m_definition.align);
    m_bLaidOut = false;
}

void CTextField::SetTextColour(Rgba colour)
{
    m_base.colour = colour;
    // Every run takes the colour, as setting it on a field does.
    for (Paragraph& paragraph : m_paragraphs) {
        for (StyledRun& run : paragraph.runs) run.format.colour = colour;
    }
    m_bLaidOut = false;
}

void CTextField::SetAutoSize(AutoSize autoSize)
{
    m_autoSize = autoSize;
    m_bLaidOut = false;
}

CTextField::Source CTextField::SourceFor(const TextFormat& format, IDeviceFonts* fonts) const
{
    Source source;
    if (m_definition.useOutlines) {
        const Font* own = m_movie.FindFont(m_definition.fontId);
        source.font = format.face == m_base.face && own && !own->glyphs.empty()
                          ? own
                          : m_movie.FindFontByName(format.face, format.bold, format.italic);
        if (source.font && source.font->bold != format.bold) {
            if (const Font* styled = m_movie.FindFontByName(format.face, format.bold, format.italic)) source.font = styled;
        }
    }
    if (source.font) {
        source.em = source.font->emSquare;
        source.ascent = source.font->hasLayout ? source.font->ascent : source.em * kAscentShare;
        source.descent = source.font->hasLayout ? source.font->descent : source.em * kDescentShare;
        return source;
    }
    source.device = fonts;
    source.key = {format.face, format.bold, format.italic};
    source.em = IDeviceFonts::kEmSquare;
    source.ascent = source.em * kAscentShare;
    source.descent = source.em * kDescentShare;
    if (fonts) fonts->GetMetrics(source.key, source.ascent, source.descent);
    return source;
}

const TextLayout& CTextField::Layout(IDeviceFonts* fonts)
{
    if (m_bLaidOut && m_pLaidOutWith == fonts) return m_layout;
    m_layout = TextLayout();
    m_layout.bounds = m_definition.bounds;
    double top = kGutter;
    bool firstLine = true;
    for (const Paragraph& paragraph : m_paragraphs) {
        if (m_layout.glyphs.size() >= kMaxTextLength) break;
        LayOutParagraph(paragraph, fonts, top, firstLine);
    }
    m_layout.textHeight = top - kGutter;

    // Auto sizing fits the box to the text: its height always, its width when lines do not wrap.
    StageRect& box = m_layout.bounds;
    if (m_autoSize != AutoSize::None) {
        // In 64 bits: a box from the file may already span most of the 32-bit range.
        const auto fit = [](std::int64_t value) {
            return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, -(std::int64_t{1} << 30), std::int64_t{1} << 30));
        };
        box.yMax = fit(std::int64_t{box.yMin} + BoxTwips(m_layout.textHeight + 2 * kGutter));
        if (!m_definition.wordWrap) {
            const std::int64_t width = BoxTwips(m_layout.textWidth + 2 * kGutter + m_definition.leftMargin +
                                                m_definition.rightMargin);
            const std::int64_t room = std::int64_t{box.xMax} - box.xMin;
            const std::int64_t shift = m_autoSize == AutoSize::Left    ? 0
                                       : m_autoSize == AutoSize::Right ? room - width
                                                                       : (room - width) / 2;
            for (LaidGlyph& glyph : m_layout.glyphs) glyph.x += static_cast<double>(shift);
            for (LaidUnderline& line : m_layout.underlines) {
                line.x0 += static_cast<double>(shift);
                line.x1 += static_cast<double>(shift);
            }
            box.xMin = fit(box.xMin + shift);
            box.xMax = fit(std::int64_t{box.xMin} + width);
        }
    }
    m_bLaidOut = true;
    m_pLaidOutWith = fonts;
    return m_layout;
}

void CTextField::LayOutParagraph(const Paragraph& paragraph, IDeviceFonts* fonts, double& top, bool& firstLine)
{
    const double width = (static_cast<double>(m_definition.bounds.xMax) - m_definition.bounds.xMin) - 2 * kGutter - m_definition.leftMargin -
                         m_definition.rightMargin;
    std::vector<Item> items;
    double pen = 0;
    char32_t previous = 0;
    for (const StyledRun& run : paragraph.runs) {
        const Source source = SourceFor(run.format, fonts);
        const double scale = run.format.size / source.em;
        for (char32_t c : run.text) {
            if (items.size() + m_layout.glyphs.size() >= kMaxTextLength) break;
            const char32_t shown = m_definition.password ? U'*' : c;
            Item item;
            item.c = shown;
            item.em = source.em;
            item.size = run.format.size;
            item.colour = run.format.colour;
            item.underline = run.format.underline;
            item.ascent = source.ascent * scale;
            item.descent = source.descent * scale;
            double advance = 0;
            if (!source.Glyph(shown, item.outline, advance)) continue;
            if (source.font && previous) pen += source.font->Kerning(previous, shown) * scale;
            item.pen = pen;
            item.advance = advance * scale;
            pen += item.advance;
            previous = shown;
            items.push_back(item);
        }
    }
    if (items.empty()) {
        // An empty paragraph still takes a line of its format's height.
        const TextFormat& format = paragraph.runs.empty() ? m_base : paragraph.runs.front().format;
        const Source source = SourceFor(format, fonts);
        Item blank;
        blank.ascent = source.ascent * format.size / source.em;
        blank.descent = source.descent * format.size / source.em;
        std::vector<Item> line{blank};
        PlaceLine(line, 0, 0, paragraph.align, firstLine ? m_definition.indent : 0, top);
        firstLine = false;
        return;
    }
    std::size_t start = 0;
    while (start < items.size()) {
        const double indent = firstLine ? m_definition.indent : 0;
        const double origin = items[start].pen;
        std::size_t end = start;
        std::size_t lastBreak = 0;  // just after the last space, 0 when none
        while (end < items.size()) {
            const Item& item = items[end];
            const bool fits = item.pen + item.advance - origin <= width - indent || item.c == ' ';
            if (!fits && m_definition.wordWrap && end > start) {
                if (lastBreak > start) end = lastBreak;
                break;
            }
            if (item.c == ' ') lastBreak = end + 1;
            ++end;
        }
        PlaceLine(items, start, end, paragraph.align, indent, top);
        firstLine = false;
        start = end;
    }
}

void CTextField::PlaceLine(const std::vector<Item>& items, std::size_t from, std::size_t to, TextAlign align,
                           double indent, double& top)
{
    double ascent = 0;
    double descent = 0;
    const std::size_t last = std::max(to, from + 1);
    for (std::size_t i = from; i < last && i < items.size(); ++i) {
        ascent = std::max(ascent, items[i].ascent);
        descent = std::max(descent, items[i].descent);
    }
    // Trailing spaces take no room when the line is aligned.
    std::size_t visibleEnd = to;
    while (visibleEnd > from && items[visibleEnd - 1].c == ' ') --visibleEnd;
    const double origin = from < to ? items[from].pen : 0;
    const double lineWidth = visibleEnd > from ? items[visibleEnd - 1].pen + items[visibleEnd - 1].advance - origin : 0;
    const double width = (static_cast<double>(m_definition.bounds.xMax) - m_definition.bounds.xMin) - 2 * kGutter - m_definition.leftMargin -
                         m_definition.rightMargin - indent;
    double shift = 0;
    if (m_autoSize == AutoSize::None || m_definition.wordWrap) {
        if (align == TextAlign::Right) shift = width - lineWidth;
        if (align == TextAlign::Center) shift = (width - lineWidth) / 2;
    }
    const double left = m_definition.bounds.xMin + kGutter + m_definition.leftMargin + indent + shift;
    const double baseline = m_definition.bounds.yMin + top + ascent;
    for (std::size_t i = from; i < to; ++i) {
        const Item& item = items[i];
        const double x = left + item.pen - origin;
        if (item.outline) m_layout.glyphs.push_back({item.outline, item.em, x, baseline, item.size, item.colour});
        if (item.underline) {
            const double thickness = std::max(item.size / 16, 20.0);
            m_layout.underlines.push_back({x, x + item.advance, baseline + thickness * 1.5, thickness, item.colour});
        }
    }
    m_layout.textWidth = std::max(m_layout.textWidth, lineWidth + indent);
    top += ascent + descent + m_definition.leading;
}
