// What the program takes from its command line.
#include <gtest/gtest.h>

#include <string>

#include "CommandLine.h"

namespace {

TEST(ArgumentText, ProgramNameEndsAtItsQuoteOrFirstBlank)
{
    const std::pair<std::string, std::string> cases[] = {
        {"drovane.exe", ""},
        {"drovane.exe ", ""},
        {"drovane.exe http://host/page.html", "http://host/page.html"},
        {"drovane.exe \t  http://host/a b.html ", "http://host/a b.html "},
        {"\"C:\\Program Files\\drovane.exe\" http://host/p.html", "http://host/p.html"},
        {"\"C:\\Program Files\\drovane.exe\"", ""},
        {"\"C:\\Program Files\\drovane.exe\"a,b,", "a,b,"},
        // Unquoted with a blank: part of the program's own path becomes the argument.
        {"C:\\Program Files\\drovane.exe a/x.swf,", "Files\\drovane.exe a/x.swf,"},
        {"drovane.exe \"quoted\" stays", "\"quoted\" stays"},
    };
    for (const auto& [line, argument] : cases) EXPECT_EQ(std::string(ArgumentText(line)), argument) << line;
}

TEST(ArgumentText, LongArgumentsStayWhole)
{
    std::string list;
    while (list.size() < 9000) list += "http://host/movies/m" + std::to_string(list.size()) + ".swf,";
    EXPECT_EQ(std::string(ArgumentText("drovane.exe " + list)), list);
}

TEST(ClassifyArgument, TrailingCommaMakesAMovieList)
{
    EXPECT_EQ(ClassifyArgument(""), ArgumentForm::Empty);
    EXPECT_EQ(ClassifyArgument("a/x.swf,"), ArgumentForm::MovieList);
    EXPECT_EQ(ClassifyArgument(","), ArgumentForm::MovieList);
    EXPECT_EQ(ClassifyArgument("http://host/page.html,"), ArgumentForm::MovieList);
    EXPECT_EQ(ClassifyArgument("a/x.swf"), ArgumentForm::PageAddress);
    EXPECT_EQ(ClassifyArgument("http://host/a b.html"), ArgumentForm::PageAddress);
}

} // namespace
