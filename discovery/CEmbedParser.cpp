#include "CEmbedParser.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Plain ASCII folding: bytes of 0x80 and above are left alone, so every position stays put
// whatever code page the page was written in.
char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// `text` must hold at least kTagLength characters.
bool StartsWithTag(const char* text)
{
    for (int i = 0; i < CEmbedParser::kTagLength; ++i) {
        if (UpperAscii(text[i]) != CEmbedParser::kTag[i]) return false;
    }
    return true;
}

// Ends an unquoted value as well as a quoted one: a value must not run on into the rest of
// its tag or into the next tag.
bool EndsValue(char c)
{
    return c == ' ' || c == '"' || c == '\'' || c == '>' || c == '\t' || c == '\r' || c == '\n';
}

// Where the pieces of the collected text came from: each run of collected characters starting at
// `collected` is the page text starting at `page`.
struct CollectedRun {
    std::size_t collected;
    std::size_t page;
};

// First pass: the text of every tag of interest, from its "<" up to and including its ">" (or
// to the end of the text when the tag is cut off). A "<" inside such a tag is dropped.
// The text ends at its first zero byte, looked for in the same pass rather than by a separate
// pass over the whole page; returns the number of bytes before it.
std::size_t CollectTags(const char* text, std::size_t len, std::string& collected, std::vector<CollectedRun>& runs)
{
    const char* const end = text + len;
    const char* p = text;
    bool inside = false;
    while (p < end && *p != '\0') {
        if (!inside) {
            while (p < end && *p != '<' && *p != '\0') ++p;
            if (p == end || *p == '\0') break;
            ++p;
            // A zero byte in the next ten characters fails the comparison, as the text ends there.
            if (end - p >= CEmbedParser::kTagLength && StartsWithTag(p)) {
                runs.push_back({collected.size(), static_cast<std::size_t>(p - 1 - text)});
                collected += '<';
                inside = true;
            }
            continue;
        }
        const char* run = p;
        while (p < end && *p != '<' && *p != '>' && *p != '\0') ++p;
        // The "<" dropped before this run breaks the page's sequence; a ">" never does.
        if (run > text && run[-1] == '<') runs.push_back({collected.size(), static_cast<std::size_t>(run - text)});
        collected.append(run, static_cast<std::size_t>(p - run));
        if (p == end || *p == '\0') break;
        if (*p == '>') {
            collected += '>';
            inside = false;
        }
        ++p;
    }
    return static_cast<std::size_t>(p - text);
}

// Every pair of double quotes becomes one, left to right, in place. `removed` gets, for each
// quote taken out, the position in the new text where it stood.
void CollapseDoubledQuotes(std::string& text, std::vector<std::size_t>& removed)
{
    std::size_t out = 0;
    for (std::size_t in = 0; in < text.size(); ++in) {
        text[out++] = text[in];
        if (text[in] == '"' && in + 1 < text.size() && text[in + 1] == '"') {
            removed.push_back(out);
            ++in;
        }
    }
    text.resize(out);
}

// Maps positions of the collapsed text, asked for in increasing order, back to the page.
// Collapsing never splits the tag text "EMBED SRC=" (it holds no quote), so the position of
// its first character maps to where that character stands in the page.
class PageOffsets {
public:
    PageOffsets(const std::vector<CollectedRun>& runs, const std::vector<std::size_t>& removed)
        : m_runs(runs), m_removed(removed) {}

    std::size_t At(std::size_t collapsed)
    {
        while (m_nRemoved < m_removed.size() && m_removed[m_nRemoved] <= collapsed) ++m_nRemoved;
        const std::size_t collected = collapsed + m_nRemoved;
        while (m_nRun + 1 < m_runs.size() && m_runs[m_nRun + 1].collected <= collected) ++m_nRun;
        return m_runs[m_nRun].page + (collected - m_runs[m_nRun].collected);
    }

private:
    const std::vector<CollectedRun>& m_runs;
    const std::vector<std::size_t>& m_removed;
    std::size_t m_nRemoved = 0;
    std::size_t m_nRun = 0;
};

// Length of a URL scheme and its ":" at the start of `text` (letter, then letters, digits,
// "+", "-", "."), or 0 when there is none.
std::size_t SchemeLength(std::string_view text)
{
    if (text.empty() || !IsAsciiLetter(text[0])) return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return i + 1;
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

struct PageBase {
    std::string scheme;     // "http:" when the page address names none
    std::string root;       // up to and including the "/" that ends the host
    std::string directory;  // after the root, up to and including the last "/"
};

PageBase SplitPageUrl(std::string_view url)
{
    PageBase base;
    std::size_t hostStart = 0;
    const std::size_t schemeLength = SchemeLength(url);
    // "host:8080/x" is a host and port, not a scheme: only "scheme://" counts.
    if (schemeLength != 0 && url.substr(schemeLength, 2) == "//") {
        base.scheme.assign(url.substr(0, schemeLength));
        hostStart = schemeLength + 2;
    } else {
        base.scheme = "http:";
    }
    const std::size_t hostEnd = url.find('/', hostStart);
    if (hostEnd == std::string_view::npos) {
        base.root.assign(url);
        base.root += '/';
        return base;
    }
    base.root.assign(url.substr(0, hostEnd + 1));
    const std::size_t lastSlash = url.rfind('/');
    base.directory.assign(url.substr(hostEnd + 1, lastSlash - hostEnd));
    return base;
}

CString Join(std::string_view a, std::string_view b, std::string_view c = {})
{
    std::string joined;
    joined.reserve(a.size() + b.size() + c.size());
    joined.append(a).append(b).append(c);
    return CString(joined.data(), joined.size());
}

CString ResolveOne(const PageBase& base, std::string_view value)
{
    if (value.empty()) return Join(base.root, base.directory);
    if (SchemeLength(value) != 0) return CString(value);
    if (value.substr(0, 2) == "//") return Join(base.scheme, value);
    // The root already ends in "/".
    if (value[0] == '/') return Join(base.root, value.substr(1));
    if (value[0] == '\\') return Join(base.root, value);
    return Join(base.root, base.directory, value);
}

} // namespace

CEmbedParser::CEmbedParser() = default;

CEmbedParser::~CEmbedParser()
{
    m_sources.RemoveAll();
}

void CEmbedParser::SetText(const char* text, int len)
{
    m_pText = text;
    m_nTextLength = (text && len > 0) ? len : 0;
}

void CEmbedParser::SetPageUrl(const char* url)
{
    std::size_t len = 0;
    if (url) {
        while (len < static_cast<std::size_t>(kMaxPageUrl) && url[len] != '\0') ++len;
        std::memcpy(m_szPageUrl, url, len);
    }
    m_szPageUrl[len] = '\0';
}

void CEmbedParser::Scan()
{
    if (!m_pText || m_nTextLength <= 0) return;

    std::string collected;
    std::vector<CollectedRun> runs;
    const std::size_t read = CollectTags(m_pText, static_cast<std::size_t>(m_nTextLength), collected, runs);
    const std::size_t textStart = m_nScanned;
    m_pText += read;
    m_nTextLength -= static_cast<int>(read);
    m_nScanned += read;

    std::vector<std::size_t> removed;
    CollapseDoubledQuotes(collected, removed);
    PageOffsets offsets(runs, removed);
    // Searching an upper-case copy keeps the values' own case: they are read from `collected`.
    std::string upper(collected);
    for (char& c : upper) c = UpperAscii(c);

    const std::string_view text(collected);
    std::size_t found = upper.find(kTag);
    while (found != std::string::npos) {
        const std::size_t start = found + kTagLength;
        std::size_t first = start;
        if (first < text.size() && (text[first] == ' ' || text[first] == '"' || text[first] == '\'')) ++first;
        std::size_t last = first;
        while (last < text.size() && !EndsValue(text[last])) ++last;
        if (last > first) {
            m_sources.Add(CString(text.substr(first, last - first)));
            m_sourceOffsets.push_back(textStart + offsets.At(found));
        }
        // The next tag text starts at or after `start`, and its blank ends any value running
        // into it, so no stretch of the text is read more than twice: the pass stays linear.
        found = upper.find(kTag, start);
    }
}

void CEmbedParser::Resolve(CStringArray& out) const
{
    Resolve(m_szPageUrl, out);
}

void CEmbedParser::Resolve(std::string_view pageUrl, CStringArray& out) const
{
    const PageBase base = SplitPageUrl(pageUrl);
    for (int i = 0; i < m_sources.GetSize(); ++i) {
        out.Add(ResolveOne(base, m_sources[i].View()));
    }
}
