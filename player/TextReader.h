#pragma once
// Reads fonts and text: DefineFont (1 to 3) with DefineFontInfo, DefineText (1, 2) and
// DefineEditText, each after its character id. Platform-neutral.
#include "CBitReader.h"
#include "ModelBudget.h"
#include "SwfTypes.h"

// Most glyphs one font may hold (the format's own limit).
constexpr std::size_t kMaxGlyphsPerFont = 65535;
// Longest text a text field holds, in characters; longer text is cut there.
constexpr std::size_t kMaxTextLength = 65536;

// False when the font is damaged before its glyphs; glyphs damaged later are left empty.
bool ReadFont(CBitReader& reader, int version, Font& font, CModelBudget& budget);
// The character codes and style of a version 1 font's glyphs.
bool ReadFontInfo(CBitReader& reader, int version, Font& font, CModelBudget& budget);
bool ReadStaticText(CBitReader& reader, int version, StaticText& text, CModelBudget& budget);
bool ReadEditText(CBitReader& reader, EditText& field);
