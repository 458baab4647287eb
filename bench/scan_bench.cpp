// Scan + resolve over a 4 MiB page holding 10,000 embed tags, against a target of 200 MB/s
// (MB = 10^6 bytes). Prints the best and the median of several repetitions.
#include "CEmbedParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kTags = 10'000;
constexpr std::size_t kPageSize = 4u << 20;
constexpr double kTargetMBps = 200.0;

// Ordinary markup between the tags, so the scanner meets many "<" that are not embeds.
std::string MakePage()
{
    const std::string filler =
        "<div class=\"row\"><p>Some text about the movie, with a <a href=\"x.html\">link</a>.</p></div>\n";
    std::string page;
    page.reserve(kPageSize);
    char tag[96];
    for (int i = 0; i < kTags; ++i) {
        const char* format = i % 3 == 0 ? "<EMBED SRC=\"movies/clip%05d.swf\" WIDTH=400 HEIGHT=300>"
                           : i % 3 == 1 ? "<embed src='/media/clip%05d.swf' quality=high>"
                                        : "<Embed Src=http://cdn.example/clip%05d.swf>";
        std::snprintf(tag, sizeof tag, format, i);
        page += tag;
        while (page.size() < kPageSize / kTags * static_cast<std::size_t>(i + 1)) page += filler;
    }
    page.resize(kPageSize, ' ');
    return page;
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string page = MakePage();

    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        CEmbedParser parser;
        parser.SetText(page.data(), static_cast<int>(page.size()));
        parser.SetPageUrl("http://www.example.com/site/movies/index.html");
        parser.Scan();
        CStringArray addresses;
        parser.Resolve(addresses);
        const auto stop = std::chrono::steady_clock::now();
        if (addresses.GetSize() != kTags) {
            std::fprintf(stderr, "scan_bench: found %d addresses, expected %d\n", addresses.GetSize(), kTags);
            return 1;
        }
        seconds.push_back(std::chrono::duration<double>(stop - start).count());
    }

    std::sort(seconds.begin(), seconds.end());
    const double megabytes = static_cast<double>(page.size()) / 1e6;
    const double best = megabytes / seconds.front();
    const double median = megabytes / seconds[seconds.size() / 2];
    std::printf("scan+resolve, %zu-byte page, %d tags, %d repetitions\n", page.size(), kTags, repetitions);
    std::printf("  best   %8.1f MB/s  (%.2fx the %.0f MB/s target)\n", best, best / kTargetMBps, kTargetMBps);
    std::printf("  median %8.1f MB/s  (%.2fx the %.0f MB/s target)\n", median, median / kTargetMBps, kTargetMBps);
    return 0;
}
