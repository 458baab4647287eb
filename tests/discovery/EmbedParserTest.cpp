#include "CEmbedParser.h"
#include "MovieFinder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

constexpr const char* kPage = "http://host/dir/page.html";

std::vector<std::string> ToVector(const CStringArray& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.GetSize(); ++i) items.emplace_back(list[i].View());
    return items;
}

struct Found {
    std::vector<std::string> sources;
    std::vector<std::string> addresses;
};

Found ScanPage(const std::string& text, const char* page = kPage)
{
    CEmbedParser parser;
    parser.SetText(text.data(), static_cast<int>(text.size()));
    parser.SetPageUrl(page);
    parser.Scan();
    CStringArray addresses;
    parser.Resolve(addresses);
    // With the Options switch off, the movie finder gives exactly this rule's result (for the
    // whole page address: the finder never cuts it).
    if (std::strlen(page) <= static_cast<std::size_t>(CEmbedParser::kMaxPageUrl)) {
        CStringArray switchedOff;
        FindMovies(text, page, false, switchedOff);
        EXPECT_EQ(ToVector(switchedOff), ToVector(addresses)) << "switched off, on " << text.substr(0, 80);
    }
    return {ToVector(parser.GetSources()), ToVector(addresses)};
}

struct ScanCase {
    const char* what;
    std::string text;
    std::vector<std::string> sources;
};

TEST(EmbedParser, FindsTheSourceOfEveryEmbedTag)
{
    const ScanCase cases[] = {
        {"lower case, quoted", R"(<embed src="movie.swf" width=400>)", {"movie.swf"}},
        {"mixed case keeps the value's case", R"(<EmBeD sRc="Clip.SWF">)", {"Clip.SWF"}},
        {"apostrophe, then unquoted", "<EMBED SRC='a.swf'><EMBED SRC=b.swf WIDTH=1>", {"a.swf", "b.swf"}},
        {"unquoted value ends at >", R"(<EMBED SRC=b.swf><EMBED SRC="c.swf">)", {"b.swf", "c.swf"}},
        {"unquoted value ends at CR LF", "<EMBED SRC=a.swf\r\nWIDTH=1>", {"a.swf"}},
        {"unquoted value ends at LF", "<EMBED SRC=a.swf\nWIDTH=1>", {"a.swf"}},
        {"unquoted value ends at tab", "<EMBED SRC=a.swf\tWIDTH=1>", {"a.swf"}},
        {"doubled quotes become one", R"(<EMBED SRC=""x.swf"">)", {"x.swf"}},
        {"blank after the quote: empty, not listed", R"(<EMBED SRC=" x.swf">)", {}},
        {"empty quoted value", R"(<EMBED SRC="">)", {}},
        {"empty unquoted value", "<EMBED SRC=>", {}},
        {"only one leading blank is skipped", "<EMBED SRC=  a.swf>", {}},
        {"same movie twice", "<EMBED SRC=m.swf><p><embed src=m.swf>", {"m.swf", "m.swf"}},
        {"two blanks", "<EMBED  SRC=a.swf>", {}},
        {"attribute before SRC", "<EMBED WIDTH=400 SRC=a.swf>", {}},
        {"blank after <", "< EMBED SRC=a.swf>", {}},
        {"blank before =", "<EMBED SRC =a.swf>", {}},
        {"tab between the words", "<EMBED\tSRC=a.swf>", {}},
        {"< inside a tag is dropped", "<EMBED SRC=a<b.swf>", {"ab.swf"}},
        {"tag opened inside a tag", "<EMBED SRC=a.swf <EMBED SRC=b.swf>", {"a.swf", "b.swf"}},
        {"tag text straight after a value", "<EMBED SRC=a<EMBED SRC=b.swf>", {"aEMBED", "b.swf"}},
        {"tag text inside a found tag counts", R"(<EMBED SRC=a.swf ALT="embed src=b.swf">)", {"a.swf", "b.swf"}},
        {"text between tags is not read", "<EMBED SRC=a.swf> EMBED SRC=b.swf <p>", {"a.swf"}},
        {"> inside quotes ends the tag", R"(<EMBED SRC="a>b.swf">)", {"a"}},
        {"bytes above 0x7F are kept", "<EMBED SRC=\xE9t\xE9.swf>", {"\xE9t\xE9.swf"}},
        {"cut off after =", "<p><EMBED SRC=", {}},
        {"cut off in the value", "<EMBED SRC=\"tail.swf", {"tail.swf"}},
        {"fewer than ten characters after <", "<EMBED SRC", {}},
        {"no tag", "<html><body><object data=m.swf></object></body></html>", {}},
        {"empty text", "", {}},
        {"text ends at the first zero byte", "<EMBED SRC=a.swf>\0<EMBED SRC=b.swf>"s, {"a.swf"}},
        {"zero byte inside a value", "<EMBED SRC=ab\0cd.swf>"s, {"ab"}},
        {"zero byte inside the tag name", "<EMBED\0SRC=a.swf>"s, {}},
    };
    for (const ScanCase& c : cases) {
        EXPECT_EQ(ScanPage(c.text).sources, c.sources) << c.what;
    }
}

TEST(EmbedParser, ReadsNoFurtherThanTheGivenLength)
{
    struct Case {
        const char* text;
        std::size_t len;
        std::vector<std::string> sources;
    };
    const Case cases[] = {
        {"<EMBED SRC=abcdef.swf>", 14, {"abc"}},
        {"<EMBED SRC=x", 10, {}},
        {"<p><EMBED SRC=a.swf", 19, {"a.swf"}},
    };
    for (const Case& c : cases) {
        // No terminator after the bytes, so AddressSanitizer sees any read past them.
        const std::vector<char> bytes(c.text, c.text + c.len);
        CEmbedParser parser;
        parser.SetText(bytes.data(), static_cast<int>(bytes.size()));
        parser.Scan();
        EXPECT_EQ(ToVector(parser.GetSources()), c.sources) << c.text << " cut to " << c.len;
    }

    CEmbedParser noText;
    noText.SetText(nullptr, 100);
    noText.Scan();
    EXPECT_TRUE(noText.GetSources().IsEmpty());
}

struct ResolveCase {
    const char* page;
    const char* value;
    const char* address;
};

TEST(EmbedParser, ResolvesAgainstThePageAddress)
{
    const ResolveCase cases[] = {
        {kPage, "movie.swf", "http://host/dir/movie.swf"},
        {kPage, "http://other/m.swf", "http://other/m.swf"},
        {kPage, "https://other/m.swf", "https://other/m.swf"},
        {kPage, "ftp://f/m.swf", "ftp://f/m.swf"},
        {kPage, "a+b.c-d:x", "a+b.c-d:x"},
        {kPage, "1a:b.swf", "http://host/dir/1a:b.swf"},
        {kPage, "a_b:c.swf", "http://host/dir/a_b:c.swf"},
        {kPage, ":x.swf", "http://host/dir/:x.swf"},
        {kPage, "//cdn/x.swf", "http://cdn/x.swf"},
        {"https://host/dir/page.html", "//cdn/x.swf", "https://cdn/x.swf"},
        {"host/dir/page.html", "//cdn/x.swf", "http://cdn/x.swf"},
        {kPage, "/m.swf", "http://host/m.swf"},
        {kPage, "\\m.swf", "http://host/\\m.swf"},
        {kPage, "./a/../m.swf?v=1", "http://host/dir/./a/../m.swf?v=1"},
        {"http://host/page.html", "movie.swf", "http://host/movie.swf"},
        {"http://host/a/b/c/", "m.swf", "http://host/a/b/c/m.swf"},
        {"http://host:8080/dir/page.html", "/m.swf", "http://host:8080/m.swf"},
        {"http://host", "movie.swf", "http://host/movie.swf"},
        {"http://host", "/m.swf", "http://host/m.swf"},
        {"http://host/", "movie.swf", "http://host/movie.swf"},
        {"host", "movie.swf", "host/movie.swf"},
        {"host/dir/page.html", "movie.swf", "host/dir/movie.swf"},
        {"host/dir/page.html", "/m.swf", "host/m.swf"},
        {"host:8080/dir/page.html", "m.swf", "host:8080/dir/m.swf"},
        {"file:///C:/site/page.html", "m.swf", "file:///C:/site/m.swf"},
    };
    for (const ResolveCase& c : cases) {
        const Found found = ScanPage("<EMBED SRC=\""s + c.value + "\">", c.page);
        EXPECT_EQ(found.addresses, std::vector<std::string>{c.address}) << c.page << " + " << c.value;
    }
}

TEST(EmbedParser, ResolveAppendsInDocumentOrder)
{
    const std::string page = "<EMBED SRC=b.swf><EMBED SRC=a.swf><EMBED SRC=b.swf>";
    CEmbedParser parser;
    parser.SetText(page.data(), static_cast<int>(page.size()));
    parser.SetPageUrl(kPage);
    parser.Scan();
    CStringArray out;
    out.Add("earlier");
    parser.Resolve(out);
    EXPECT_EQ(ToVector(out), (std::vector<std::string>{"earlier", "http://host/dir/b.swf",
                                                       "http://host/dir/a.swf", "http://host/dir/b.swf"}));
}

TEST(EmbedParser, PageAddressIsCutTo255Characters)
{
    // The 256th character is the last "/": once cut, the page sits directly under the root.
    const std::string page = "http://host/" + std::string(243, 'd') + "/page.html";
    EXPECT_EQ(ScanPage("<EMBED SRC=m.swf>", page.c_str()).addresses,
              std::vector<std::string>{"http://host/m.swf"});
}

TEST(EmbedParser, LargePageWithTenThousandTags)
{
    constexpr int kTags = 10'000;
    constexpr std::size_t kPageSize = 4u << 20;
    const std::string filler = "<p class=\"note\">Some text about the movie, with a <b>tag</b> or two.</p>\n";
    std::string page;
    page.reserve(kPageSize);
    char tag[64];
    for (int i = 0; i < kTags; ++i) {
        const char* format = i % 3 == 0 ? "<EMBED SRC=\"clip%05d.swf\" WIDTH=400>"
                           : i % 3 == 1 ? "<embed src='clip%05d.swf'>"
                                        : "<Embed Src=clip%05d.swf>";
        std::snprintf(tag, sizeof tag, format, i);
        page += tag;
        while (page.size() < kPageSize / kTags * static_cast<std::size_t>(i + 1)) page += filler;
    }
    page.resize(kPageSize, ' ');

    const Found found = ScanPage(page);
    ASSERT_EQ(found.sources.size(), static_cast<std::size_t>(kTags));
    ASSERT_EQ(found.addresses.size(), static_cast<std::size_t>(kTags));
    EXPECT_EQ(found.sources[0], "clip00000.swf");
    EXPECT_EQ(found.sources[5000], "clip05000.swf");
    EXPECT_EQ(found.sources[9999], "clip09999.swf");
    EXPECT_EQ(found.addresses[7001], "http://host/dir/clip07001.swf");
}

} // namespace
