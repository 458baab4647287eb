#pragma once
// The text a text field shows, as paragraphs of runs in one format each: from plain text, or
// from the small HTML a text field takes (<p align>, <font face size color>, <b>, <i>, <u>,
// <br>, character entities; other tags are passed over). Platform-neutral.
#include "SwfTypes.h"

#include <string>
#include <vector>

struct TextFormat {
    std::string face;       // a device font's name, or the embedded font's
    double size = 240;      // twips
    Rgba colour{0, 0, 0, 255};
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TextFormat&) const = default;
};

struct StyledRun {
    std::u32string text;
    TextFormat format;
};

struct Paragraph {
    TextAlign align = TextAlign::Left;
    std::vector<StyledRun> runs;
};

// At most `limit` characters are kept; a malformed sequence reads as U+FFFD. Movies before
// version 6 hold Latin-1 text rather than UTF-8.
std::u32string DecodeText(const std::string& text, bool utf8, std::size_t limit);
std::string EncodeUtf8(const std::u32string& text);

// Each line break (CR, LF or CR LF) starts a paragraph.
std::vector<Paragraph> PlainParagraphs(const std::u32string& text, const TextFormat& format, TextAlign align);
std::vector<Paragraph> HtmlParagraphs(const std::u32string& html, const TextFormat& format, TextAlign align);
// The characters shown, paragraphs separated by CR, as a script reads a field's text.
std::u32string PlainText(const std::vector<Paragraph>& paragraphs);
