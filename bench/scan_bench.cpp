// Scan + resolve over two 4 MiB pages, against a target of 200 MB/s (MB = 10^6 bytes): one that
// holds 10,000 embed tags, and one of mixed markup as real pages of the period wrote it (Flash
// objects with params, SWFObject, UFO and AC_FL_RunContent scripts, document.write, comments,
// conditional comments, ordinary content). Each page is scanned by the literal "EMBED SRC=" rule
// and by the extended finder; prints the best and the median of several repetitions. On a shared
// machine the wall clock also counts other programs' turns, so natively the thread's own CPU
// time is printed too (Wine counts thread time too coarsely for runs of a few milliseconds).
#include "MovieFinder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <ctime>
#endif

namespace {

constexpr int kTags = 10'000;
constexpr std::size_t kPageSize = 4u << 20;
constexpr double kTargetMBps = 200.0;
constexpr const char* kPageUrl = "http://www.example.com/site/movies/index.html";

// Ordinary markup between the tags, so the scanner meets many "<" that are not embeds.
std::string MakeEmbedPage()
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

// One stretch of a real-looking page; every "%d" is the stretch's number, so each one embeds
// movies of its own: four through markup, four through scripts.
constexpr const char* kMixedBlock = R"(<!-- ===== feature %d: the publish template, params and a nested embed ===== -->
<div class="feature" id="f%d"><h2>Feature %d &amp; friends</h2>
<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" codebase="http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=8,0,0,0" width="550" height="400" id="intro%d" align="middle">
<param name="allowScriptAccess" value="sameDomain" /><param name="movie" value="flash/intro%d.swf?lang=en&amp;v=2" /><param name="quality" value="high" />
<param name="flashvars" value="file=media/clip%d.flv&amp;skin=skins/dark.swf" /><param name="bgcolor" value="#ffffff" />
<embed src="flash/intro%d.swf?lang=en&amp;v=2" quality="high" bgcolor="#ffffff" width="550" height="400" name="intro%d" align="middle" allowScriptAccess="sameDomain" type="application/x-shockwave-flash" pluginspage="http://www.macromedia.com/go/getflashplayer" />
</object>
<object id="banner%d" classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" width="468" height="60"><param name="movie" value="/ads/banner%d.swf" />
<!--[if !IE]>--><object type="application/x-shockwave-flash" data="/ads/banner%d.swf" width="468" height="60"><!--<![endif]-->
<p>Get the <a href="http://www.adobe.com/go/getflashplayer"><img src="/img/get_flash_player.gif" alt="Get Flash" /></a></p>
<!--[if !IE]>--></object><!--<![endif]--></object>
<EMBED width=120 height=90 SRC = 'http://cdn.example.com/logos/logo%d.swf' >
<!-- <embed src="old/retired%d.swf"> kept for the record -->
<object classid="clsid:22D6F312-B0F6-11D0-94AB-0080C74C7E95"><param name="FileName" value="media/talk%d.wmv"></object>
<ul class="nav"><li><a href="/news/%d.html">News</a></li><li><a href="/games/%d.html">Games</a></li><li><a href="/about.html">About</a></li></ul>
<table border="0" cellpadding="4"><tr><td bgcolor="#203060"><img src="/img/spacer.gif" width="1" height="1"></td><td>Text for %d</td></tr></table>
<style type="text/css">#f%d .title { font: bold 12px Verdana; color: #fc0; }</style>
<div id="game%d">Flash is needed to play.</div><div id="clock%d"></div><div id="tour%d"></div>
<script type="text/javascript">
<!--
var flashvars = { level: "%d", music: "snd/theme%d.mp3" };
var params = { menu: "false", wmode: "transparent" };
swfobject.embedSWF("games/game%d.swf", "game%d", "640", "480", "9.0.0", "expressInstall.swf", flashvars, params);
var FO%d = { movie:"swf/clock%d.swf", width:"100", height:"100", majorversion:"6", build:"0" };
UFO.create(FO%d, "clock%d");
var so = new SWFObject("tours/tour%d.swf", "t%d", "500", "300", "8", "#ffffff");
so.addVariable("xml", "tour%d.xml"); so.write("tour%d");
if (a < b && c > 0) { document.getElementById("f%d").className = "on"; } else { x = y / 2; }
function track%d(e) { return e.replace(/["'<>]/g, "") + '</b>'; }
//-->
</script>
<script type="text/javascript">
AC_FL_RunContent('codebase','http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=9,0,28,0','width','300','height','200','src','media/header%d','quality','high','movie','media/header%d');
document.write('<div class="ad"><embed src="ads/skyscraper%d.swf" width="160" height="600" type="application/x-shockwave-flash"><\/embed><\/div>');
</script>
<noscript><p>Please turn on JavaScript.</p></noscript>
</div>
)";

constexpr int kMoviesPerBlock = 8;

std::string MakeMixedPage(int& blocks)
{
    std::string page;
    page.reserve(kPageSize + 8192);
    page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head><title>Flash corner</title>"
            "<base href=\"http://www.example.com/site/\"></head><body>\n";
    std::string block;
    blocks = 0;
    while (page.size() < kPageSize) {
        block = kMixedBlock;
        const std::string number = std::to_string(blocks);
        for (std::size_t at = block.find("%d"); at != std::string::npos; at = block.find("%d", at + number.size()))
            block.replace(at, 2, number);
        page += block;
        ++blocks;
    }
    page.resize(kPageSize, ' ');
    // The last stretch may be cut: count only whole ones.
    --blocks;
    return page;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The calling thread's CPU time; negative where it is not measured.
double CpuSeconds()
{
#ifdef _WIN32
    return -1;
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

struct Rates {
    double best;     // MB/s
    double median;
};

Rates RatesOf(std::vector<double> seconds, std::size_t bytes)
{
    std::sort(seconds.begin(), seconds.end());
    const double megabytes = static_cast<double>(bytes) / 1e6;
    return {megabytes / seconds.front(), megabytes / seconds[seconds.size() / 2]};
}

struct Figures {
    Rates wall;
    Rates cpu;   // zero where not measured
    int movies;
};

Figures Measure(const std::string& page, bool extended, int repetitions)
{
    std::vector<double> wall, cpu;
    int movies = 0;
    for (int r = 0; r < repetitions; ++r) {
        const double wallStart = WallSeconds();
        const double cpuStart = CpuSeconds();
        CStringArray addresses;
        FindMovies(page, kPageUrl, extended, addresses);
        cpu.push_back(CpuSeconds() - cpuStart);
        wall.push_back(WallSeconds() - wallStart);
        movies = addresses.GetSize();
    }
    const bool cpuMeasured = CpuSeconds() >= 0;
    return {RatesOf(wall, page.size()), cpuMeasured ? RatesOf(cpu, page.size()) : Rates{0, 0}, movies};
}

void Print(const char* what, const Figures& figures, const Figures* literal)
{
    const auto line = [&](const char* clock, const Rates& rates, const Rates* literalRates) {
        std::printf("  %-9s %-4s %6d movies  best %7.1f MB/s (%.2fx target)  median %7.1f MB/s (%.2fx target)", what, clock,
                    figures.movies, rates.best, rates.best / kTargetMBps, rates.median, rates.median / kTargetMBps);
        if (literalRates) std::printf("  the literal rule %.2fx as fast", literalRates->median / rates.median);
        std::printf("\n");
    };
    line("wall", figures.wall, literal ? &literal->wall : nullptr);
    if (figures.cpu.best > 0) line("cpu", figures.cpu, literal ? &literal->cpu : nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    int failures = 0;

    const std::string embeds = MakeEmbedPage();
    std::printf("%zu-byte page with %d embed tags, %d repetitions\n", embeds.size(), kTags, repetitions);
    const Figures embedsLiteral = Measure(embeds, false, repetitions);
    const Figures embedsExtended = Measure(embeds, true, repetitions);
    Print("literal", embedsLiteral, nullptr);
    Print("extended", embedsExtended, &embedsLiteral);
    if (embedsLiteral.movies != kTags || embedsExtended.movies != kTags) {
        std::fprintf(stderr, "scan_bench: expected %d movies from both\n", kTags);
        ++failures;
    }

    int blocks = 0;
    const std::string mixed = MakeMixedPage(blocks);
    std::printf("%zu-byte page of mixed markup, %d stretches of %d movies each, %d repetitions\n", mixed.size(), blocks,
                kMoviesPerBlock, repetitions);
    const Figures mixedLiteral = Measure(mixed, false, repetitions);
    const Figures mixedExtended = Measure(mixed, true, repetitions);
    Print("literal", mixedLiteral, nullptr);
    Print("extended", mixedExtended, &mixedLiteral);
    // The cut last stretch may add a few of its movies.
    if (mixedExtended.movies < blocks * kMoviesPerBlock || mixedExtended.movies > (blocks + 1) * kMoviesPerBlock) {
        std::fprintf(stderr, "scan_bench: %d movies on the mixed page, expected %d\n", mixedExtended.movies,
                     blocks * kMoviesPerBlock);
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
