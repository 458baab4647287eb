// The file-name rule and the head reading of downloads: pure logic, table-driven.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MovieFileName.h"
#include "ResponseHead.h"

namespace {

struct NameCase {
    const char* address;
    bool accepted;
    const char* name;
};

TEST(MovieFileName, NamesStayInsideTheSaveFolder)
{
    const NameCase cases[] = {
        {"http://h/dir/clip.swf", true, "clip.swf"},
        {"host/dir/clip.swf", true, "clip.swf"},
        {"http://h/clip.swf?size=2&x=/other/y.swf", true, "clip.swf"},
        {"http://h/clip.swf#frame/2", true, "clip.swf"},
        {"http://h/a/b.swf?#", true, "b.swf"},
        // Separators and the other characters file names may not hold become "_".
        {"http://h/..\\..\\x.swf", true, ".._.._x.swf"},
        {"http://h/c:x.swf", true, "c_x.swf"},
        {"http://h/a*b\"c<d>e|f.swf", true, "a_b_c_d_e_f.swf"},
        {"http://h/tab\there\x01.swf", true, "tab_here_.swf"},
        // Percent-escapes are not decoded, so %2F cannot become a separator.
        {"http://h/a%2Fb.swf", true, "a%2Fb.swf"},
        {"http://h/a%2F..", false, ""},
        {"http://h/..", false, ""},
        {"http://h/.", false, ""},
        {"http://h/clip.", false, ""},
        {"http://h/clip.swf ", false, ""},
        {"http://h/dir/", false, ""},
        {"http://h/dir/?q=1", false, ""},
        {"http://h", false, ""},
        {"", false, ""},
    };
    for (const NameCase& c : cases) {
        std::string name = "left over";
        EXPECT_EQ(MovieFileName(c.address, name), c.accepted) << c.address;
        EXPECT_EQ(name, c.name) << c.address;
    }
}

TEST(MovieFileName, DeviceNamesAreRefusedWithAnyExtensionAndCase)
{
    const char* refused[] = {"CON.swf", "con", "PRN.swf", "aux.txt", "NUL", "Com1.swf", "COM9",
                             "lpt1.txt", "LPT9.swf", "con .swf", "nul.tar.gz", "CONOUT$"};
    for (const char* name : refused) {
        std::string result;
        EXPECT_FALSE(MovieFileName(std::string("http://h/") + name, result)) << name;
    }
    const char* accepted[] = {"console.swf", "COM10.swf", "LPT.swf", "xcon.swf", "com0x.swf", "nul_.swf"};
    for (const char* name : accepted) {
        std::string result;
        EXPECT_TRUE(MovieFileName(std::string("http://h/") + name, result)) << name;
        EXPECT_EQ(result, name);
    }
}

TEST(MovieFileName, LongestAcceptedNameIs127Characters)
{
    std::string name;
    EXPECT_TRUE(MovieFileName("http://h/" + std::string(123, 'a') + ".swf", name));
    EXPECT_EQ(name.size(), 127u);
    EXPECT_FALSE(MovieFileName("http://h/" + std::string(124, 'a') + ".swf", name));
    EXPECT_TRUE(name.empty());
}

TEST(MovieFileName, LocalFileIsTheSaveFolderWithOneSeparatorAndTheName)
{
    const struct {
        const char* folder;
        const char* address;
        const char* path;
    } cases[] = {
        {"c:\\movies\\", "http://h/a/clip.swf", "c:\\movies\\clip.swf"},
        {"c:\\movies", "http://h/a/clip.swf", "c:\\movies\\clip.swf"},   // a folder typed by hand
        {"c:/movies/", "http://h/clip.swf?x=1", "c:/movies/clip.swf"},
        {"", "http://h/clip.swf", "clip.swf"},
        {"c:\\movies\\", "http://h/dir/", ""},                          // no name: no path at all
        {"c:\\movies\\", "http://h/aux.swf", ""},
    };
    for (const auto& c : cases) {
        std::string path = "left over";
        EXPECT_EQ(MovieFilePath(c.folder, c.address, path), *c.path != '\0') << c.folder << " + " << c.address;
        EXPECT_EQ(path, c.path) << c.folder << " + " << c.address;
    }
}

TEST(DistinctFileNames, LaterRowsWithATakenNameGetANumber)
{
    const std::string longStem(123, 'a');
    const struct {
        std::vector<std::string> addresses;
        std::vector<std::string> names;
    } cases[] = {
        {{"http://h/dir/movie1.swf", "http://h/dir/alt/movie1.swf", "http://h/x/movie1.swf?v=2"},
         {"movie1.swf", "movie1 (2).swf", "movie1 (3).swf"}},
        // Windows file names do not tell letter case apart.
        {{"http://h/Intro.SWF", "http://h/intro.swf"}, {"Intro.SWF", "intro (2).swf"}},
        // A name the list already holds is skipped by the numbering, whichever row came first.
        {{"http://h/a (2).swf", "http://h/a.swf", "http://h/b/a.swf"}, {"a (2).swf", "a.swf", "a (3).swf"}},
        {{"http://h/noext", "http://h/b/noext", "http://h/.swf", "http://h/b/.swf"},
         {"noext", "noext (2)", ".swf", ".swf (2)"}},
        // Refused addresses take no name; the numbered name still fits the longest allowed.
        {{"http://h/dir/", "http://h/con.swf", "http://h/dir/"}, {"", "", ""}},
        {{"http://h/" + longStem + ".swf", "http://h/b/" + longStem + ".swf"},
         {longStem + ".swf", std::string(119, 'a') + " (2).swf"}},
    };
    for (const auto& c : cases) EXPECT_EQ(DistinctFileNames(c.addresses), c.names) << c.addresses.front();
}

TEST(ResponseHead, LengthTextFollowsTheFirstPieceRule)
{
    struct {
        std::string piece;
        const char* length;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nbody", "1000"},
        {"HTTP/1.0 200 OK\r\nCONTENT-LENGTH: 42\r\n\r\n", "42"},
        {"HTTP/1.0 200 OK\r\ncontent-length:1000\r\n\r\n", ""},      // no blank after the colon
        {"HTTP/1.0 200 OK\r\nContent-Length:  7\r\n\r\n", " 7"},     // the second blank is value
        {"HTTP/1.0 200 OK\r\nContent-Length: 1000\n\n", "1000"},     // bare line feed
        {"HTTP/1.0 200 OK\r\nContent-Length: 10", ""},               // line not finished here
        {"HTTP/1.0 200 OK\r\nContent-Length: \r\n\r\n", ""},
        {std::string("HTTP/1.0 200 OK\r\n\0Content-Length: 5\r\n", 38), ""},   // after a zero byte
        {"HTTP/1.0 200 OK\r\nContent-Length: 123456789012345\r\n", "123456789012345"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 1234567890123456\r\n", ""},   // 16 characters: absent
        {"HTTP/1.0 200 OK\r\n\r\n", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LengthTextOf(c.piece), c.length) << c.piece;
}

TEST(ResponseHead, StatusCodeAndHeadEnd)
{
    struct {
        const char* response;
        int status;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\n", 200},
        {"HTTP/1.1 404 Not Found\r\n", 404},
        {"HTTP/1.0 206\r\n", 206},
        {"HTTP/1.0 2000 OK\r\n", 0},
        {"HTTP/1.0 20 OK\r\n", 0},
        {"HTTP/1.0 200 OK", 0},          // the line never ends
        {"<html>200</html>\r\n", 0},
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(StatusCodeOf(c.response), c.status) << c.response;

    EXPECT_EQ(FindHeadEnd("HTTP/1.0 200 OK\r\n\r\nbody"), 15u);
    EXPECT_EQ(FindHeadEnd("HTTP/1.0 200 OK\r\n\r"), std::string::npos);
    EXPECT_EQ(FindHeadEnd("HTTP/1.0 200 OK\n\n"), std::string::npos);
}

} // namespace
