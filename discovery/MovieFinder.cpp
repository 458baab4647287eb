#include "MovieFinder.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "CEmbedParser.h"
#include "CharacterReferences.h"
#include "MarkupReader.h"
#include "MovieAddress.h"
#include "ScriptReader.h"

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

std::string LowerTrimmed(std::string_view text)
{
    std::string lower(Trim(text));
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

// An attribute's value as the browser reads it, trimmed and in small letters: for types, class
// ids and parameter names.
std::string Keyword(const MarkupAttribute* attribute)
{
    std::string storage;
    return attribute ? LowerTrimmed(DecodeCharacterReferences(attribute->value, storage)) : std::string();
}

// application/x-shockwave-flash (and its old variants such as ...-flash2-preview),
// application/futuresplash, application/vnd.adobe.flash.movie; `type` is in small letters.
bool IsFlashType(std::string_view type)
{
    type = Trim(type.substr(0, type.find(';')));
    if (type.substr(0, 12) != "application/") return false;
    for (const std::string_view flash : {"shockwave-flash", "futuresplash", "flash.movie", "flash-movie"}) {
        if (type.find(flash) != std::string_view::npos) return true;
    }
    return false;
}

// "clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" in any case, with or without "clsid:" or braces.
bool IsFlashClassId(std::string_view classId)
{
    if (classId.substr(0, 6) == "clsid:") classId.remove_prefix(6);
    classId = Trim(classId);
    if (classId.size() >= 2 && classId.front() == '{' && classId.back() == '}') classId = classId.substr(1, classId.size() - 2);
    return classId == "d27cdb6e-ae6d-11cf-96b8-444553540000";
}

bool IsMovieValue(std::string_view raw)
{
    std::string storage;
    return IsMovieExtension(PathExtension(Trim(DecodeCharacterReferences(raw, storage))));
}

bool HoldsJoin(std::string_view value) { return value.find(kJoinMark) != std::string_view::npos; }

enum class Verdict { Flash, NotFlash, Unknown };
enum class ObjectKind { Flash, Other, Unknown };

// An <embed> tag, kept to judge the literal rule's hit on it.
struct EmbedRecord {
    std::size_t offset;     // of its "<"
    std::string_view src;   // as written
    Verdict verdict;
};

struct Range {
    std::size_t begin;
    std::size_t end;
};

// Walks the page and its scripts once and collects the movies they name (values as written),
// the <embed> tags, the stretches that hold no live markup and the first <base href>. The lists
// come out in document order, which the searches below rely on.
class CPageReader final : public CMarkupSink {
public:
    void Read(std::string_view page) { ReadMarkup(page, nullptr, *this); }

    std::vector<ScriptMovie> movies;
    std::vector<EmbedRecord> embeds;
    std::vector<Range> deadText;   // comments, raw text and scripts, in document order
    std::optional<std::string> baseHref;

    bool WantsTag(std::string_view name, bool isEnd) const override
    {
        if (isEnd) return EqualsNoCase(name, "object");
        for (const char* wanted : {"embed", "object", "param", "iframe", "frame", "base"}) {
            if (EqualsNoCase(name, wanted)) return true;
        }
        return false;
    }

    void OnTag(const MarkupTag& tag) override
    {
        if (tag.isEnd) {
            if (tag.Is("object")) PopObject();
        } else if (tag.Is("embed")) {
            OnEmbed(tag);
        } else if (tag.Is("object")) {
            OnObject(tag);
        } else if (tag.Is("param")) {
            OnParam(tag);
        } else if (tag.Is("iframe") || tag.Is("frame")) {
            // A frame shows a movie only when its address is one.
            if (const MarkupAttribute* src = tag.Find("src")) Add(tag.offset, src->value, true);
        } else if (tag.Is("base") && m_nDepth == 0 && !baseHref) {
            if (const MarkupAttribute* href = tag.Find("href")) baseHref = std::string(href->value);
        }
    }

    void OnScript(const MarkupTag& tag, std::string_view text, std::size_t offset) override
    {
        // Markup that a script writes may hold a script of its own; that one is not read.
        if (m_nDepth > 0) return;
        deadText.push_back({offset, offset + text.size()});
        bool visualBasic = false;
        if (tag.Find("src") || !IsScript(tag, visualBasic)) return;
        // The calls' movies and then those of the markup the script writes, each in document
        // order: merged, the list stays in document order.
        const std::size_t first = movies.size();
        m_scripts.Read(text, offset, visualBasic, movies);
        const std::size_t middle = movies.size();
        ++m_nDepth;
        ReadMarkup(m_scripts.Markup(), &m_scripts.Origins(), *this);
        --m_nDepth;
        std::inplace_merge(movies.begin() + static_cast<std::ptrdiff_t>(first), movies.begin() + static_cast<std::ptrdiff_t>(middle),
                           movies.end(), [](const ScriptMovie& a, const ScriptMovie& b) { return a.offset < b.offset; });
    }

    void OnDeadText(std::size_t begin, std::size_t end) override
    {
        if (m_nDepth == 0) deadText.push_back({begin, end});
    }

private:
    // Scripts of any JavaScript kind, or Visual Basic; other types (templates, data) are not.
    static bool IsScript(const MarkupTag& tag, bool& visualBasic)
    {
        const std::string type = Keyword(tag.Find("type"));
        visualBasic = type.find("vbscript") != std::string::npos || Keyword(tag.Find("language")).find("vbscript") != std::string::npos;
        if (type.empty() || visualBasic || type == "module") return true;
        for (const char* kind : {"javascript", "ecmascript", "jscript", "livescript"}) {
            if (type.find(kind) != std::string::npos) return true;
        }
        return false;
    }

    // A value of the page itself stays where it is; one of markup a script writes is copied, as
    // that markup is made afresh for each script.
    std::string_view Keep(std::string_view value)
    {
        return m_nDepth == 0 ? value : std::string_view(m_writtenTexts.emplace_back(value));
    }

    void Add(std::size_t offset, std::string_view value, bool needsMovieExtension)
    {
        if (!HoldsJoin(value)) movies.push_back({offset, Keep(value), needsMovieExtension});
    }

    // Nesting past the bound counts as an object that does not say what it is.
    ObjectKind CurrentObject() const
    {
        return (m_objects.empty() || m_nObjectsBeyond > 0) ? ObjectKind::Unknown : m_objects.back();
    }

    void PopObject()
    {
        if (m_nObjectsBeyond > 0) {
            --m_nObjectsBeyond;
        } else if (!m_objects.empty()) {
            m_objects.pop_back();
        }
    }

    // Counted when its type says Flash, or without a type when its address ends in .swf, its
    // plug-in page is Flash's or it stands inside a Flash <object>.
    void OnEmbed(const MarkupTag& tag)
    {
        const MarkupAttribute* src = tag.Find("src");
        if (!src) return;
        const std::string type = Keyword(tag.Find("type"));
        std::string storage;
        const std::string_view extension = PathExtension(Trim(DecodeCharacterReferences(src->value, storage)));
        Verdict verdict = Verdict::Unknown;
        if (!type.empty()) {
            verdict = IsFlashType(type) ? Verdict::Flash : Verdict::NotFlash;
        } else if (IsMovieExtension(extension)) {
            verdict = Verdict::Flash;
        } else if (IsNonMovieExtension(extension)) {
            verdict = Verdict::NotFlash;
        } else if (Keyword(tag.Find("pluginspage")).find("flash") != std::string::npos || CurrentObject() == ObjectKind::Flash) {
            verdict = Verdict::Flash;
        }
        const std::string_view kept = Keep(src->value);
        embeds.push_back({tag.offset, kept, verdict});
        if (verdict == Verdict::Flash && !HoldsJoin(kept)) movies.push_back({tag.offset, kept, false});
    }

    void OnObject(const MarkupTag& tag)
    {
        // Nesting deeper than any page needs is counted, not kept.
        constexpr std::size_t kDeepestObject = 64;
        const std::string classId = Keyword(tag.Find("classid"));
        const std::string type = Keyword(tag.Find("type"));
        const MarkupAttribute* data = tag.Find("data");
        const bool hasData = data && !Trim(data->value).empty();
        const bool flash = IsFlashClassId(classId) || IsFlashType(type) || (hasData && IsMovieValue(data->value)) ||
                           Keyword(tag.Find("codebase")).find("swflash.cab") != std::string::npos;
        const ObjectKind kind = flash ? ObjectKind::Flash
                              : (!classId.empty() || !type.empty() || hasData) ? ObjectKind::Other
                                                                                 : ObjectKind::Unknown;
        if (m_objects.size() < kDeepestObject) {
            m_objects.push_back(kind);
        } else {
            ++m_nObjectsBeyond;
        }
        if (flash && hasData) Add(tag.offset, data->value, false);
    }

    // <param name=movie|src> of a Flash object. Of an object that does not say what it is (video
    // sites' embed codes), "movie", a name only Flash uses, and "src" when its value is a movie's
    // address. Outside any object a parameter belongs to nothing.
    void OnParam(const MarkupTag& tag)
    {
        const std::string name = Keyword(tag.Find("name"));
        const MarkupAttribute* value = tag.Find("value");
        if (!value || (name != "movie" && name != "src") || (m_objects.empty() && m_nObjectsBeyond == 0)) return;
        const ObjectKind kind = CurrentObject();
        if (kind != ObjectKind::Other) Add(tag.offset, value->value, kind == ObjectKind::Unknown && name == "src");
    }

    int m_nDepth = 0;
    std::vector<ObjectKind> m_objects;
    std::size_t m_nObjectsBeyond = 0;
    CScriptReader m_scripts;
    std::deque<std::string> m_writtenTexts;
};

// A set of texts that stay in place while it lives, by open addressing: a page may name
// thousands of movies, most of them twice, and a node per text would cost more than the rest.
class CTextSet {
public:
    // False when the text is in the set already.
    bool Insert(std::string_view text)
    {
        if (m_slots.size() < 2 * (m_texts.size() + 1)) Grow();
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t slot = std::hash<std::string_view>()(text) & mask;; slot = (slot + 1) & mask) {
            if (m_slots[slot] == 0) {
                m_texts.push_back(text);
                m_slots[slot] = static_cast<std::uint32_t>(m_texts.size());
                return true;
            }
            if (m_texts[m_slots[slot] - 1] == text) return false;
        }
    }

private:
    void Grow()
    {
        m_slots.assign(std::max<std::size_t>(64, m_slots.size() * 2), 0);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = 0; i < m_texts.size(); ++i) {
            std::size_t slot = std::hash<std::string_view>()(m_texts[i]) & mask;
            while (m_slots[slot] != 0) slot = (slot + 1) & mask;
            m_slots[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }

    std::vector<std::string_view> m_texts;
    std::vector<std::uint32_t> m_slots;   // 0 is empty, else an index into m_texts plus one
};

bool InRanges(const std::vector<Range>& ranges, std::size_t offset)
{
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), offset,
                                        [](std::size_t value, const Range& range) { return value < range.begin; });
    return after != ranges.begin() && offset < std::prev(after)->end;
}

// Whether a hit of the literal rule stands: the page does not contradict it. `offset` is where
// its "EMBED SRC=" text stands; its tag's "<" is just before it when the tag opens there.
// `atTag` tells whether it was read from the src of an <embed> tag that opens there.
bool LiteralHitStands(const CPageReader& page, std::string_view raw, std::size_t offset, bool& atTag)
{
    const auto record = std::lower_bound(page.embeds.begin(), page.embeds.end(), offset - 1,
                                         [](const EmbedRecord& embed, std::size_t value) { return embed.offset < value; });
    if (record != page.embeds.end() && record->offset == offset - 1) {
        // The tag says another value than the rule read (a value with blanks, a script's
        // escaped quotes), or that it is no Flash movie.
        atTag = record->src == raw;
        return atTag && record->verdict != Verdict::NotFlash;
    }
    if (InRanges(page.deadText, offset)) return false;
    // What is left of a script string's escaped quote: <EMBED SRC=\"...
    return raw.back() != '\\';
}

void FindExtended(std::string_view page, std::string_view pageUrl, CStringArray& movies)
{
    CEmbedParser literal;
    literal.SetText(page.data(), static_cast<int>(page.size()));
    literal.Scan();
    CPageReader reader;
    reader.Read(page);

    CBaseAddress base(pageUrl);
    std::string storage;
    if (reader.baseHref) base.SetBaseHref(DecodeCharacterReferences(*reader.baseHref, storage));
    const CStringArray& sources = literal.GetSources();
    // The addresses in the order found (a deque keeps each where it is), each once. A value met
    // again gives the same address: resolving it once keeps a page that repeats a value many
    // times against a long base address cheap. A hostile page could still make its list hundreds
    // of times its own size; no real one comes near this bound, past which nothing is added.
    constexpr std::size_t kMostListedBytes = 64u << 20;
    std::deque<std::string> addresses;
    std::size_t listedBytes = 0;
    CTextSet listed, resolved;
    const auto list = [&](std::string_view value, bool needsMovieExtension) {
        if (listedBytes > kMostListedBytes || (!needsMovieExtension && !resolved.Insert(value))) return;
        std::string address = base.Resolve(DecodeCharacterReferences(value, storage));
        const std::string_view extension = PathExtension(address);
        if (address.empty() || (!IsMovieExtension(extension) && (needsMovieExtension || IsNonMovieExtension(extension)))) return;
        addresses.push_back(std::move(address));
        if (listed.Insert(addresses.back())) {
            listedBytes += addresses.back().size();
        } else {
            addresses.pop_back();
        }
    };

    // The <embed> tags whose literal hit stands: the extended reading of the same tag gives the
    // same address again.
    std::vector<std::size_t> listedTags;
    for (int i = 0; i < sources.GetSize(); ++i) {
        const std::string_view raw = sources[i].View();
        const std::size_t offset = literal.GetSourceOffsets()[static_cast<std::size_t>(i)];
        bool atTag = false;
        if (!LiteralHitStands(reader, raw, offset, atTag)) continue;
        list(raw, false);
        if (atTag) listedTags.push_back(offset - 1);
    }
    for (const ScriptMovie& movie : reader.movies) {
        if (!std::binary_search(listedTags.begin(), listedTags.end(), movie.offset)) list(movie.value, movie.needsMovieExtension);
    }
    for (const std::string& address : addresses) movies.Add(CString(address));
}

} // namespace

void FindMovies(std::string_view page, std::string_view pageUrl, bool extended, CStringArray& movies)
{
    // Both readers count in int, and script markup keeps page offsets in 32 bits.
    page = page.substr(0, std::min<std::size_t>(page.size(), INT_MAX));
    if (extended) {
        FindExtended(page, pageUrl, movies);
        return;
    }
    CEmbedParser parser;
    parser.SetText(page.data(), static_cast<int>(page.size()));
    parser.Scan();
    parser.Resolve(pageUrl, movies);
}
