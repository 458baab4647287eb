#pragma once
// Finds the movies a page embeds: the source value of every "EMBED SRC=" tag, in document
// order, and the absolute address of each against the page's own address.
// Platform-neutral: the page-scan worker and the automation bridge both use it, and the
// native tests and the fuzzer drive it directly.
#include <string_view>
#include <vector>

#include "CString.h"
#include "CStringArray.h"

class CEmbedParser {
public:
    // Tag text compared without regard to case: exactly one blank, nothing before "=".
    static constexpr const char kTag[] = "EMBED SRC=";
    static constexpr int kTagLength = 10;
    static constexpr int kMaxPageUrl = 255;

    CEmbedParser();
    virtual ~CEmbedParser();
    CEmbedParser(const CEmbedParser&) = delete;
    CEmbedParser& operator=(const CEmbedParser&) = delete;

    // The text is not copied; it must stay valid until Scan returns. It ends at its first
    // zero byte or after len bytes, whichever comes first.
    void SetText(const char* text, int len);
    // Longer addresses are cut to kMaxPageUrl characters.
    void SetPageUrl(const char* url);

    // Reads the text once and appends the raw source values to the list below. The text
    // cursor ends where reading stopped, so a second call finds nothing new.
    void Scan();
    // Appends one absolute address per raw value, in the same order; does not empty `out`.
    void Resolve(CStringArray& out) const;
    // The same against a page address given here, of any length.
    void Resolve(std::string_view pageUrl, CStringArray& out) const;

    const CStringArray& GetSources() const { return m_sources; }
    // For each raw value, the offset from the start of the text of the "EMBED SRC=" it follows
    // (its tag's "<" stands just before it when the tag opens there).
    const std::vector<std::size_t>& GetSourceOffsets() const { return m_sourceOffsets; }

protected:
    const char* m_pText = nullptr;
    int m_nTextLength = 0;
    char m_szPageUrl[kMaxPageUrl + 1] = {};
    CStringArray m_sources;
    std::vector<std::size_t> m_sourceOffsets;
    std::size_t m_nScanned = 0;   // bytes read by earlier calls of Scan
};
