#pragma once
// Character references in attribute values, decoded as a browser reads them. Platform-neutral.
#include <cstdint>
#include <string>
#include <string_view>

// Numeric references (&#38; &#x26;) are decoded with or without their ";". Named ones (&amp;
// &eacute; ...) need their ";", except a bare "&amp" that no letter, digit or "=" follows, which
// old pages write in query strings. Unknown names stay as written. A code point above 0x7F is
// written as UTF-8; 0x80-0x9F mean what they mean in Windows-1252, as browsers read them.
// A value without "&" is returned as it is; the others are decoded into `storage`.
std::string_view DecodeCharacterReferences(std::string_view raw, std::string& storage);

// Appends a code point (at most 0x10FFFF) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint);
