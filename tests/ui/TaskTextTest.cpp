// The task list's text rules: Size column texts, duplicate addresses, file names of movie
// addresses and the comma-terminated movie list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TaskText.h"

namespace {

std::vector<std::string> ToVector(const CStringArray& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.GetSize(); ++i) out.emplace_back(list[i].View());
    return out;
}

TEST(SizeText, ShowsBytesBelowOneKilobyteAndWholeKilobytesAbove)
{
    struct Case {
        const char* length;
        const char* shown;
    };
    const Case cases[] = {
        {"", "Unknown Size"},
        {"0", "0byte"},
        {"1023", "1023byte"},
        {"1024", "1KB"},
        {"2047", "1KB"},
        {"1048576", "1024KB"},
        {"4294967296", "4194304KB"},   // past 32 bits
        // Below 1024 the text is kept as it came, whatever follows the number.
        {" 12", " 12byte"},
        {"12abc", "12abcbyte"},
        {"abc", "abcbyte"},
        {"-5", "-5byte"},
        {" +2048", "2KB"},
        {"2048 bytes", "2KB"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(SizeText(c.length).View()), c.shown) << "length \"" << c.length << "\"";
    EXPECT_EQ(std::string(SizeText(nullptr).View()), "Unknown Size");
}

TEST(RemoveDuplicates, KeepsTheFirstOfEachAddressInOrder)
{
    struct Case {
        std::vector<std::string> in;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        {{}, {}},
        {{"a"}, {"a"}},
        {{"a", "b", "a"}, {"a", "b"}},
        {{"a", "a", "a"}, {"a"}},
        {{"b", "a", "b", "c", "a"}, {"b", "a", "c"}},
        {{"http://h/A.swf", "http://h/a.swf"}, {"http://h/A.swf", "http://h/a.swf"}},   // case counts
        {{"", "x", ""}, {"", "x"}},
        {{"a.swf", "a.swf "}, {"a.swf", "a.swf "}},
    };
    for (const Case& c : cases) {
        std::vector<TaskEntry> list;
        for (const std::string& address : c.in) list.push_back({address, list.size() % 2 == 0});
        RemoveDuplicates(list);
        std::vector<std::string> kept;
        for (const TaskEntry& entry : list) kept.push_back(entry.address);
        EXPECT_EQ(kept, c.out) << "list of " << c.in.size();
        // The first of each keeps its own check mark.
        if (c.in.size() >= 3 && c.out.size() >= 2) {
            EXPECT_TRUE(list[0].checked && !list[1].checked);
        }
    }
}

TEST(FileNameOfAddress, IsTheNameTheMovieIsSavedUnder)
{
    struct Case {
        const char* address;
        const char* name;
    };
    const Case cases[] = {
        {"http://host/dir/movie.swf", "movie.swf"},
        {"http://host/movie.swf?x=1/2", "movie.swf"},
        {"http://host/a:b*c.swf#top", "a_b_c.swf"},
        // Addresses that name no file to save show the text after the last "/".
        {"http://host/dir/", ""},
        {"http://host/CON.swf", "CON.swf"},
        {"a/x.swf", "x.swf"},
        // Without a "/" after the first character: all but the first character.
        {"movie.swf", "ovie.swf"},
        {"/movie.swf", "movie.swf"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(std::string(FileNameOfAddress(c.address).View()), c.name) << c.address;
}

TEST(SplitMovieList, CountsAnAddressOnlyWhenACommaFollows)
{
    struct Case {
        const char* text;
        std::vector<std::string> list;
    };
    const Case cases[] = {
        {"a/x.swf,b/y.swf,a/x.swf,", {"a/x.swf", "b/y.swf", "a/x.swf"}},
        {"a/x.swf,b/y.swf", {"a/x.swf"}},
        {"a/x.swf", {}},
        {",", {""}},
        {",,", {"", ""}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ToVector(SplitMovieList(c.text)), c.list) << c.text;
}

TEST(ProgressText, SixtyFourBitPercentageNeverNegativeAndNotCapped)
{
    const struct {
        long long received, size;
        const char* text;
    } cases[] = {
        {0, 0, "0%"}, {500, 0, "0%"}, {0, 1000, "0%"}, {370, 1000, "37%"}, {2048, 2048, "100%"},
        {1500, 1000, "150%"},
        // Past 21 MB the 32-bit product received * 100 wraps around to a negative number.
        {30'000'000, 30'000'000, "100%"}, {29'999'999, 30'000'000, "99%"}, {3'000'000'000LL, 4'000'000'000LL, "75%"},
    };
    for (const auto& c : cases) EXPECT_STREQ(ProgressText(c.received, c.size), c.text) << c.received << "/" << c.size;
}

TEST(RowProgressBar, FollowsThePercentageAndMarksFailures)
{
    const struct {
        RowProgress progress;
        ProgressBar::Kind kind;
        int percent;
    } cases[] = {
        {{RowProgress::Percent, 0, 0}, ProgressBar::Normal, 0},
        {{RowProgress::Percent, 500, 1000}, ProgressBar::Normal, 50},
        {{RowProgress::Percent, 999, 1000}, ProgressBar::Normal, 99},
        {{RowProgress::Percent, 1500, 1000}, ProgressBar::Normal, 100},   // a body longer than announced
        {{RowProgress::Percent, 3'000'000'000LL, 4'000'000'000LL}, ProgressBar::Normal, 75},
        {{RowProgress::Done}, ProgressBar::Normal, 100},
        {{RowProgress::Waiting}, ProgressBar::None, 0},
        {{RowProgress::Failed, 0, 0, 12, 404}, ProgressBar::Failed, 100},
    };
    for (const auto& c : cases) {
        const ProgressBar bar = RowProgressBar(c.progress);
        EXPECT_EQ(bar.kind, c.kind) << RowProgressText(c.progress);
        EXPECT_EQ(bar.percent, c.percent) << RowProgressText(c.progress);
    }
}

TEST(FailureText, ShortTextPerFailure)
{
    const struct {
        int code, value;
        const char* text;
    } cases[] = {
        {0, 0, "No data"}, {1, 10061, "Connect time out"}, {5, 0, "Unknown Proxy"}, {7, 11001, "Host not found"},
        {12, 404, "HTTP 404"}, {12, 503, "HTTP 503"}, {14, 0, "Bad file name"}, {15, 112, "Write failed"},
        {3, 0, "Failed"}, {13, 0, "Failed"}, {12, 0, "Bad reply"}, {16, 50000, "Incomplete"}, {-1, 0, "Failed"},
        {17, 0, "Secure connection failed"}, {18, 0, "Certificate not trusted"},
        {19, 0, "Certificate for another host"}, {20, 0, "Certificate expired"}, {21, 11, "Too many redirects"},
        {22, 403, "Proxy HTTP 403"}, {22, 0, "Proxy refused"},
    };
    for (const auto& c : cases) EXPECT_STREQ(FailureText(c.code, c.value), c.text) << c.code;
}

} // namespace
