// The extended movie finder: the shared cases of real markup, then tables of its own per kind of
// markup, and the switch that turns it off.
#include "MovieFinder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Find(const std::string& page, const std::string& url, bool extended = true)
{
    CStringArray found;
    FindMovies(page, url, extended, found);
    std::vector<std::string> movies;
    for (int i = 0; i < found.GetSize(); ++i) movies.emplace_back(found[i].View());
    return movies;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each folder holds page.html and expected.txt: "url: ADDRESS", then the movies in order; a
// line "? ADDRESS" may be listed or not; "#" lines explain.
TEST(MovieFinder, SharedCasesOfRealMarkup)
{
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FINDER_CASES_DIR)) {
        if (!entry.is_directory()) continue;
        ++cases;
        const std::string name = entry.path().filename().string();
        std::istringstream expectedText(ReadFile(entry.path() / "expected.txt"));
        std::string url;
        std::vector<std::string> expected, tolerated;
        for (std::string line; std::getline(expectedText, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line[0] == '#') continue;
            if (line.rfind("url: ", 0) == 0) url = line.substr(5);
            else if (line.rfind("? ", 0) == 0) tolerated.push_back(line.substr(2));
            else expected.push_back(line);
        }
        std::vector<std::string> found = Find(ReadFile(entry.path() / "page.html"), url);
        std::erase_if(found, [&](const std::string& movie) {
            return std::find(tolerated.begin(), tolerated.end(), movie) != tolerated.end();
        });
        EXPECT_EQ(found, expected) << name;
    }
    EXPECT_EQ(cases, 10);
}

} // namespace
