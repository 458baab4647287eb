#pragma once
// A text field on the display list (DefineEditText): the text it shows now, in what format, and
// that text laid out in lines of glyphs from the movie's embedded fonts or from device fonts.
// A script sets and reads the same things (text, htmlText, textColor, autoSize, the size of the
// text); the renderer draws the layout. Platform-neutral.
#include "CMovie.h"
#include "DeviceFonts.h"
#include "HtmlText.h"
#include "PlayBudget.h"

#include <string>
#include <vector>

// One glyph placed in the field, in its own twips: the outline's units are `em` to `size`.
struct LaidGlyph {
    const Shape* outline = nullptr;
    double em = 1024;
    double x = 0;  // the pen on the baseline
    double y = 0;
    double size = 240;
    Rgba colour;
};

struct LaidUnderline {
    double x0 = 0;
    double x1 = 0;
    double y = 0;
    double thickness = 20;
    Rgba colour;
};

struct TextLayout {
    std::vector<LaidGlyph> glyphs;
    std::vector<LaidUnderline> underlines;
    double textWidth = 0;   // the widest line
    double textHeight = 0;  // every line
    StageRect bounds;       // the field's box after auto sizing
};

class CTextField {
public:
    enum class AutoSize { None, Left, Center, Right };

    // Space between the field's box and its text, each side.
    static constexpr double kGutter = 40;

    // The field's text counts in the player's budget while the field lives.
    CTextField(const CMovie& movie, const EditText& definition, PlayBudget& budget);
    ~CTextField();
    CTextField(const CTextField&) = delete;
    CTextField& operator=(const CTextField&) = delete;

    std::string GetText() const;  // UTF-8, paragraphs separated by CR
    void SetText(const std::string& utf8);
    std::string GetHtmlText() const;  // as set; plain text when none was
    void SetHtmlText(const std::string& utf8);
    Rgba GetTextColour() const { return m_base.colour; }
    void SetTextColour(Rgba colour);
    AutoSize GetAutoSize() const { return m_autoSize; }
    void SetAutoSize(AutoSize autoSize);
    const std::string& GetVariableName() const { return m_definition.variableName; }
    const EditText& GetDefinition() const { return m_definition; }
    // For a script's changes to the field's box, flags and colours; laid out again after.
    EditText& EditDefinition()
    {
        m_bLaidOut = false;
        return m_definition;
    }

    // Laid out again only after a change; `fonts` may be null (device text is then left out).
    const TextLayout& Layout(IDeviceFonts* fonts);

private:
    struct Source;
    struct Item;

    // The text cut to what the field and the player may hold, charged to the budget.
    std::u32string Admit(std::u32string text);
    Source SourceFor(const TextFormat& format, IDeviceFonts* fonts) const;
    void LayOutParagraph(const Paragraph& paragraph, IDeviceFonts* fonts, double& top, bool& firstLine);
    void PlaceLine(const std::vector<Item>& items, std::size_t from, std::size_t to, TextAlign align, double indent,
                   double& top);

    const CMovie& m_movie;
    PlayBudget& m_budget;  // the player's, which outlives every field
    std::size_t m_nCharged = 0;
    EditText m_definition;
    TextFormat m_base;
    std::u32string m_source;  // plain text or HTML, as set
    bool m_bHtml = false;
    AutoSize m_autoSize = AutoSize::None;
    std::vector<Paragraph> m_paragraphs;
    TextLayout m_layout;
    bool m_bLaidOut = false;
    IDeviceFonts* m_pLaidOutWith = nullptr;  // not owned: the player's
};
