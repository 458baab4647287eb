// The path lists the shell's file operation reads: exact bytes and exact buffer sizes, built
// natively under AddressSanitizer so a terminator written past the buffer is caught.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "CPathList.h"

namespace {

using namespace std::string_view_literals;

TEST(PathList, EachPathWithItsZeroAndOneMoreZeroInABufferOfExactlyThatSize)
{
    const struct {
        std::vector<std::string> paths;
        std::string_view bytes;
    } cases[] = {
        {{"c:\\a.swf"}, "c:\\a.swf\0\0"sv},
        {{"c:\\a.swf", "d:\\b"}, "c:\\a.swf\0d:\\b\0\0"sv},
        {{"c:\\a.swf", "d:\\b", "e"}, "c:\\a.swf\0d:\\b\0e\0\0"sv},
    };
    for (const auto& c : cases) {
        CPathList list;
        for (const std::string& path : c.paths) ASSERT_TRUE(list.Add(path)) << path;
        EXPECT_EQ(list.Bytes(), c.bytes) << c.paths.size() << " paths";
        EXPECT_EQ(list.GetCapacity(), static_cast<int>(c.bytes.size())) << c.paths.size() << " paths";
        EXPECT_EQ(list.GetUsed(), static_cast<int>(c.bytes.size()) - 1) << c.paths.size() << " paths";
    }
}

TEST(PathList, PathsThatWouldEndTheListEarlyAreRefused)
{
    CPathList list;
    EXPECT_EQ(list.Get(), nullptr);
    EXPECT_FALSE(list.Add(""));
    EXPECT_FALSE(list.Add("c:\\a\0b"sv));
    EXPECT_EQ(list.Get(), nullptr);
    ASSERT_TRUE(list.Add("c:\\a"));
    EXPECT_FALSE(list.Add(""));
    EXPECT_EQ(list.Bytes(), "c:\\a\0\0"sv);
    EXPECT_EQ(list.GetCapacity(), 6);
}

} // namespace
