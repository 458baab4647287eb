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

constexpr const char* kPage = "http://h/d/p.html";

struct Case {
    const char* what;
    std::string page;
    std::vector<std::string> movies;
};

void ExpectMovies(const Case (&cases)[], std::size_t count, const char* url = kPage)
{
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(Find(cases[i].page, url), cases[i].movies) << cases[i].what;
}

#define EXPECT_CASES(cases) ExpectMovies(cases, std::size(cases))

TEST(MovieFinder, EmbedTagsWrittenAnyWay)
{
    const Case cases[] = {
        {"src after other attributes", "<embed width=1 height=2 src=\"a.swf\">", {"http://h/d/a.swf"}},
        {"any case, blanks and breaks around =", "<EMBED\n\tSrc\r\n=\n 'a.swf'>", {"http://h/d/a.swf"}},
        {"unquoted, then another attribute", "<embed src=a.swf width=1>", {"http://h/d/a.swf"}},
        {"unquoted value ends only at a blank or >", "<embed src=a.swf?x=1&y='2'>", {"http://h/d/a.swf?x=1&y='2'"}},
        {"> inside quotes", "<embed src=\"a.swf?t=>\">", {"http://h/d/a.swf?t=%3E"}},
        {"the first src counts", "<embed src=a.swf src=b.swf>", {"http://h/d/a.swf"}},
        {"no blank between attributes", "<embed type=\"application/x-shockwave-flash\"src=\"a.php\">", {"http://h/d/a.php"}},
        {"self-closing", "<embed src=\"a.swf\" />", {"http://h/d/a.swf"}},
        {"Flash type, any address", "<embed src=\"movie.php?id=3\" TYPE=\"Application/X-Shockwave-Flash; v=1\">",
         {"http://h/d/movie.php?id=3"}},
        {"FutureSplash", "<embed src=a.spl><embed src=b type=application/futuresplash>", {"http://h/d/a.spl", "http://h/d/b"}},
        {"Flash's plug-in page", "<embed src=get.php pluginspage=\"http://www.macromedia.com/go/getflashplayer\">",
         {"http://h/d/get.php"}},
        {"inside a Flash object", "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"><embed src=get.php></object>",
         {"http://h/d/get.php"}},
        {"no type, unknown extension: only the literal rule's own hit", "<embed src=get.php><embed width=1 src=more.php>",
         {"http://h/d/get.php"}},
        {"other types", "<embed src=a.swf type=video/quicktime><embed src=b.swf type=audio/midi>", {}},
        {"empty and blank values", "<embed src=\"\" type=application/x-shockwave-flash><embed src=\"  \">", {}},
        {"cut off by the end of the page", "<embed width=1 src=\"a.swf\"", {}},
        {"value never closed", "<embed width=1 src=\"a.swf>", {}},
    };
    EXPECT_CASES(cases);
}

TEST(MovieFinder, FlashObjectsAndWhatIsNeverAMovie)
{
    const Case cases[] = {
        {"class id with braces, no clsid:", "<object classid=\"{d27cdb6e-ae6d-11cf-96b8-444553540000}\"><param name=SRC value=a.swf></object>",
         {"http://h/d/a.swf"}},
        {"the Flash cab", "<object codebase=\"http://x/swflash.cab#version=6\"><param name=movie value=a.php></object>",
         {"http://h/d/a.php"}},
        {"data ending in .swf", "<object data=\"a.swf?x=1\"></object>", {"http://h/d/a.swf?x=1"}},
        {"data before params, in document order", "<object type=application/x-shockwave-flash data=a.swf><param name=movie value=b.swf></object>",
         {"http://h/d/a.swf", "http://h/d/b.swf"}},
        {"params of the inner object",
         "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"><param name=movie value=a.swf>"
         "<object type=\"video/quicktime\" data=b.mov><param name=src value=c.swf></object><param name=src value=d.swf></object>",
         {"http://h/d/a.swf", "http://h/d/d.swf"}},
        {"an object that says nothing: movie always, src when it is .swf",
         "<object><param name=movie value=a.php><param name=src value=b.php><param name=src value=c.swf></object>",
         {"http://h/d/a.php", "http://h/d/c.swf"}},
        {"QuickTime, Windows Media, Director, Java",
         "<object classid=\"clsid:02BF25D5-8C17-4B23-BC80-D3488ABDDC6B\"><param name=src value=a.swf></object>"
         "<object classid=\"clsid:6BF52A52-394A-11d3-B153-00C04F79FAA6\"><param name=URL value=b.swf></object>"
         "<object classid=\"clsid:166B1BCA-3F9C-11CF-8075-444553540000\"><param name=src value=c.dcr></object>"
         "<object classid=\"java:Main.class\"><param name=movie value=d.swf></object>",
         {}},
        {"flashvars in every form",
         "<object type=application/x-shockwave-flash data=p.swf><param name=FlashVars value=\"skin=s.swf\"></object>"
         "<embed src=p.swf flashvars=\"file=e.swf\">",
         {"http://h/d/p.swf"}},
        {"media and data files even with a Flash type",
         "<embed src=v.flv type=application/x-shockwave-flash><object type=application/x-shockwave-flash data=m.mp3></object>"
         "<embed src=x.xml type=application/x-shockwave-flash><embed src=i.JPG type=application/x-shockwave-flash>",
         {}},
        {"links, pictures, script files", "<a href=a.swf>a</a><img src=b.swf><script src=c.swf></script><link href=d.swf>", {}},
        {"a frame that shows a movie", "<iframe src=a.swf></iframe><iframe src=b.html></iframe><frame src=\"c.swf\">",
         {"http://h/d/a.swf", "http://h/d/c.swf"}},
        {"javascript: and data: values",
         "<embed src=\"javascript:play()\" type=application/x-shockwave-flash>"
         "<object type=application/x-shockwave-flash data=\"data:application/x-shockwave-flash;base64,RldT\"></object>",
         {}},
    };
    EXPECT_CASES(cases);
}

TEST(MovieFinder, ScriptsAndDeadMarkup)
{
    const std::string flash = R"( type=\"application/x-shockwave-flash\")";
    const Case cases[] = {
        {"comments, also unterminated", "<!-- <embed src=a.swf> --><!--> <embed width=1 src=b.swf> <!-- <embed src=c.swf>",
         {"http://h/d/b.swf"}},
        {"conditional comments are live for the browser they name",
         "<!--[if IE]><object data=a.swf></object><![endif]--><!--[if !IE]>--><object data=b.swf></object><!--<![endif]-->",
         {"http://h/d/a.swf", "http://h/d/b.swf"}},
        {"text that shows markup is no markup",
         "<textarea><embed src=a.swf></textarea><title><embed src=b.swf></title><xmp><embed src=c.swf></xmp>"
         "<noembed><embed src=d.swf></noembed><style>/*<embed src=e.swf>*/</style>&lt;embed src=f.swf&gt;"
         "<p title=\"<embed src=g.swf>\"><noscript><embed src=h.swf></noscript>",
         {"http://h/d/h.swf"}},
        {"markup written by a script, escapes undone",
         R"(<script>document.write("<embed src=\"a.swf\" type=\"application/x-shockwave-flash\">");)"
         R"(el.innerHTML = '\x3cembed src=\'b.swf\' width=1\/>';</script>)",
         {"http://h/d/a.swf", "http://h/d/b.swf"}},
        {"a tag written by two calls", "<script>document.write('<embed src=\"a.php\" ');\ndocument.write('" + flash.substr(1) +
                                           ">');</script>",
         {"http://h/d/a.php"}},
        {"values built by concatenation",
         "<script>document.write('<embed src=\"' + movie + '\"" + flash + ">');document.write('<embed src=\"b' + '.swf\">');"
         "swfobject.embedSWF('c' + v + '.swf', 'x', 1, 1, '9');swfobject.embedSWF(base + 'd.swf', 'x', 1, 1, '9');</script>",
         {}},
        {"script comments, old hiding comments, regular expressions",
         "<script><!--\n// swfobject.embedSWF('a.swf')\n/* new SWFObject('b.swf') */ x = s.replace(/'/g, '\"'); y = 4 / 2;"
         "\nswfobject.embedSWF('c.swf', 'x', 1, 1, '9');\n//--></script>",
         {"http://h/d/c.swf"}},
        {"scripts that are not run",
         "<script src=x.js>swfobject.embedSWF('a.swf')</script><script type=text/template><embed src=b.swf></script>",
         {}},
        {"SWFObject 1 and 2 in any namespace; express install, flashvars and variables never",
         "<script>var so = new deconcept.SWFObject('a.swf', 'm', 1, 1, 8); so.addVariable('skin', 's.swf');"
         "so.useExpressInstall('ei.swf'); new FlashObject(\"b.swf\", 'n');"
         "swfobject.embedSWF('c.swf', 'x', 1, 1, '9', 'expressInstall.swf', {file: 'f.swf'}, {movie: 'p.swf'});</script>",
         {"http://h/d/a.swf", "http://h/d/b.swf", "http://h/d/c.swf"}},
        {"a call's movie in a variable or an object",
         "<script>var url = 'a.swf'; swfobject.embedSWF(url, 'x');\nvar att = {width: 1, 'data': \"b.swf\"};"
         "swfobject.createSWF(att, {}, 'y'); UFO.create({movie: 'c.swf'}, 'z');\nurl += '?x'; swfobject.embedSWF(url, 'x');</script>",
         {"http://h/d/a.swf", "http://h/d/b.swf", "http://h/d/c.swf"}},
        {"AC_FL_RunContent: the last src or movie, .swf before the query",
         "<script>AC_FL_RunContent('src', 'x', 'MOVIE', 'media/intro?v=2', 'quality', 'high');"
         "AC_FL_RunContent('movie', name, 'width', 1);</script>",
         {"http://h/d/media/intro.swf?v=2"}},
        {"players: JW Player, Flowplayer, flashembed, jQuery",
         "<script>jwplayer('c').setup({file: 'v.mp4', flashplayer: 'jw.swf'}); $f('p', 'fp.swf', 'clip.flv');"
         "flashembed('e', {src: 'fe.swf'}); $('#x').flash({swf: 'jq.swf'}); $('#y').flash({src: 'page.php'});</script>",
         {"http://h/d/jw.swf", "http://h/d/fp.swf", "http://h/d/fe.swf", "http://h/d/jq.swf"}},
        {"Visual Basic", "<script language=VBScript>' document.write \"<embed src=\"\"a.swf\"\">\"\n"
                         "document.write \"<embed src=\"\"b.swf\"\">\"</script>",
         {"http://h/d/b.swf"}},
    };
    EXPECT_CASES(cases);
}

TEST(MovieFinder, ResolutionAndNormalisation)
{
    const Case cases[] = {
        {"base href, the first one only", "<base href=\"http://cdn/s/v2/\"><base href=\"http://other/\"><embed src=../a.swf>",
         {"http://cdn/s/a.swf"}},
        {"relative base href", "<base href=\"/m/\"><embed src=a.swf>", {"http://h/m/a.swf"}},
        {"dot segments, never above the root", "<embed src=\"./x/../a.swf\"><embed src=\"/../../b.swf\">",
         {"http://h/d/a.swf", "http://h/b.swf"}},
        {"network path takes the page's scheme", "<embed src=//cdn/a.swf>", {"http://cdn/a.swf"}},
        {"scheme and host in small letters, path and query keep their case", "<embed src=\"HTTP://CDN.Example/A.swf?Q=B\">",
         {"http://cdn.example/A.swf?Q=B"}},
        {"default ports go, others stay",
         "<embed src=http://a:80/1.swf><embed src=https://a:443/2.swf><embed src=ftp://a:21/3.swf><embed src=http://a:8080/4.swf>",
         {"http://a/1.swf", "https://a/2.swf", "ftp://a/3.swf", "http://a:8080/4.swf"}},
        {"the fragment is not requested", "<embed src=a.swf#start><embed src=a.swf>", {"http://h/d/a.swf"}},
        {"character references", "<embed src=\"a.swf?x=1&amp;y=2&#38;z=3&#x26;w=4&#61\">", {"http://h/d/a.swf?x=1&y=2&z=3&w=4="}},
        {"a bare &amp only where nothing joins it", "<embed src=\"a.swf?p=1&amp&ampx=2&amp=3&copy=4&quot;\">",
         {"http://h/d/a.swf?p=1&&ampx=2&amp=3&copy=4%22"}},
        {"tabs and line breaks dropped, blanks and other bytes encoded", "<embed src=\" my fi\tl\r\nm\xE9.swf?a b \">",
         {"http://h/d/my%20film%E9.swf?a%20b"}},
        {"\\ is / before the query", "<embed src=\"..\\m\\a.swf?p=c:\\x\">", {"http://h/m/a.swf?p=c:%5Cx"}},
        {"http: without a host is relative", "<embed src=http:a.swf>", {"http://h/d/a.swf"}},
        {"drive letters and hosts missing", "<embed src=\"c:\\a.swf\"><embed src=\"http:///b.swf\"><embed src=\"#top\">", {}},
        {"user, IPv6 host and port", "<embed src=\"http://U@[::1]:80/a.swf\">", {"http://U@[::1]/a.swf"}},
    };
    EXPECT_CASES(cases);

    // The page address is used whole, and one typed without a scheme is an http address.
    const std::string deep = "http://h/" + std::string(300, 'd') + "/p.html";
    EXPECT_EQ(Find("<embed src=a.swf>", deep), std::vector<std::string>{"http://h/" + std::string(300, 'd') + "/a.swf"});
    EXPECT_EQ(Find("<embed src=a.swf>", "127.0.0.1:8080/d/p.html"), std::vector<std::string>{"http://127.0.0.1:8080/d/a.swf"});
    // A page with no web address of its own resolves nothing against it.
    for (const char* page : {"about:blank", "data://h/p.html", "javascript:go()"})
        EXPECT_EQ(Find("<embed src=a.swf><embed src=http://x/b.swf>", page), std::vector<std::string>{"http://x/b.swf"}) << page;
}

TEST(MovieFinder, LiteralHitsComeFirstUnlessThePageContradictsThem)
{
    const Case cases[] = {
        {"literal hits before earlier markup", "<object data=a.swf></object><EMBED SRC=b.swf><embed width=1 src=c.swf><EMBED SRC=d.swf>",
         {"http://h/d/b.swf", "http://h/d/d.swf", "http://h/d/a.swf", "http://h/d/c.swf"}},
        {"in a comment or a script", "<!-- <EMBED SRC=a.swf> --><script>re = /<EMBED SRC=(.*)>/;</script>", {}},
        {"a non-Flash type or extension", "<EMBED SRC=a.swf type=audio/wav><EMBED SRC=b.mid><EMBED SRC=c.mov>", {}},
        {"misread by the literal rule",
         "<EMBED SRC=\"my film.swf\"><script>document.write(\"<EMBED SRC=\\\"ad.swf\\\">\");</script>",
         {"http://h/d/my%20film.swf", "http://h/d/ad.swf"}},
        {"a script's leftover outside a script", "<p onclick=\"x\"><EMBED SRC=\\\"a.swf\\\">", {}},
    };
    EXPECT_CASES(cases);
}

TEST(MovieFinder, EmbedCodesOfThePeriodAndBrokenPages)
{
    const std::string flashObject = "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\">";
    const Case cases[] = {
        {"a video site's code: object without class id, then embed",
         "<object width=\"425\"><param name=\"movie\" value=\"http://www.youtube.com/v/Ab1_x&hl=en&fs=1\"></param>"
         "<embed src=\"http://www.youtube.com/v/Ab1_x&hl=en&fs=1\" type=\"application/x-shockwave-flash\"></embed></object>",
         {"http://www.youtube.com/v/Ab1_x&hl=en&fs=1"}},
        {"the authoring tool's template of 2000",
         "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" WIDTH=550><PARAM NAME=movie VALUE=\"intro.swf\">"
         "<EMBED src=\"intro.swf\" quality=high TYPE=\"application/x-shockwave-flash\"></EMBED></OBJECT>",
         {"http://h/d/intro.swf"}},
        {"SWFObject 1.5 with a player and its video",
         "<script>var s1 = new SWFObject(\"/jw/player.swf\",\"ply\",\"328\",\"200\",\"9\");\n"
         "s1.addParam(\"flashvars\",\"file=/videos/intro.flv\");s1.write(\"player\");</script>",
         {"http://h/jw/player.swf"}},
        {"objects nested past any real page, then a parameter outside them",
         [&] {
             std::string page;
             for (int i = 0; i < 100; ++i) page += flashObject;
             page += "<param name=movie value=deep.php>";
             for (int i = 0; i < 100; ++i) page += "</object>";
             return page + "<param name=movie value=stray.swf>";
         }(),
         {"http://h/d/deep.php"}},
        {"a script string never closed", "<script>document.write(\"<embed src=\\\"a.swf\\\"", {}},
        {"a page cut inside a value", "<object type=\"application/x-shockwave-flash\" data=\"a.swf\"><param name=\"movie\" value=\"b.swf",
         {"http://h/d/a.swf"}},
    };
    EXPECT_CASES(cases);
}

} // namespace
