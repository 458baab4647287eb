// The registration script reader and the command rules of Hollin.dll.
#include <gtest/gtest.h>

#include <string>

#include "QuorvelCommand.h"
#include "RegistryScript.h"

namespace {

const std::map<std::string, std::string> kMarkers{{"MODULE", "C:\\Program Files\\Tarnwick\\Hollin.dll"}};

RegistryScript Parse(const std::string& text)
{
    RegistryScript script;
    std::string error;
    EXPECT_TRUE(ParseRegistryScript(text, kMarkers, script, error)) << error;
    return script;
}

TEST(RegistryScript, ReadsKeysFlagsValuesAndMarkers)
{
    const RegistryScript script = Parse(R"(HKCR
{
	Prog.Id.1 = s 'Some Class'
	{
		CLSID = s '{EA4492CB-ADA0-11D5-92AE-00B0D03F1683}'
	}
	NoRemove CLSID
	{
		ForceRemove {EA4492CB-ADA0-11D5-92AE-00B0D03F1683} = s 'It''s a class'
		{
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '100%%'
		}
	}
})");
    ASSERT_EQ(script.roots.size(), 1u);
    const RegistryKeyNode& root = script.roots[0];
    EXPECT_EQ(root.name, "HKCR");
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].name, "Prog.Id.1");
    EXPECT_EQ(root.children[0].defaultValue, "Some Class");
    EXPECT_EQ(root.children[0].children.at(0).defaultValue, "{EA4492CB-ADA0-11D5-92AE-00B0D03F1683}");

    const RegistryKeyNode& clsid = root.children[1];
    EXPECT_TRUE(clsid.noRemove);
    EXPECT_FALSE(clsid.defaultValue.has_value());
    const RegistryKeyNode& cls = clsid.children.at(0);
    EXPECT_EQ(cls.name, "{EA4492CB-ADA0-11D5-92AE-00B0D03F1683}") << "a braced name is a key, not a block";
    EXPECT_TRUE(cls.forceRemove);
    EXPECT_EQ(cls.defaultValue, "It's a class");
    ASSERT_EQ(cls.children.size(), 3u);
    EXPECT_EQ(cls.children[0].name, "Programmable");
    EXPECT_TRUE(cls.children[0].forceRemove);
    EXPECT_FALSE(cls.children[0].defaultValue.has_value());
    EXPECT_EQ(cls.children[1].defaultValue, "C:\\Program Files\\Tarnwick\\Hollin.dll");
    ASSERT_EQ(cls.children[1].values.size(), 1u);
    EXPECT_EQ(cls.children[1].values[0].name, "ThreadingModel");
    EXPECT_EQ(cls.children[1].values[0].text, "Apartment");
    EXPECT_EQ(cls.children[2].defaultValue, "100%");
}

TEST(RegistryScript, RefusesWhatItCannotRead)
{
    const char* broken[] = {
        "HKCR { Key = s 'unterminated }",
        "HKCR { Key = s 'x' ",
        "HKCR { Key = d '5' }",
        "HKCR { Key = s '%NOSUCH%' }",
        "HKCR { Key = s '%MODULE' }",
        "HKCR { = s 'x' }",
        "HKCR Key",
        "HKCR { val = }",
        "HKCR { '' = s 'x' }",
    };
    for (const char* text : broken) {
        RegistryScript script;
        std::string error;
        EXPECT_FALSE(ParseRegistryScript(text, kMarkers, script, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(script.roots.empty()) << text;
    }
    // Nesting stops at a fixed depth instead of exhausting the stack.
    std::string deep = "HKCR {";
    for (int i = 0; i < 10000; ++i) deep += " K {";
    RegistryScript script;
    std::string error;
    EXPECT_FALSE(ParseRegistryScript(deep, kMarkers, script, error));
}

TEST(FlashListPayload, ListsEveryMovieResolvedAgainstThePage)
{
    const struct {
        const char* page;
        std::string html;
        const char* payload;
    } cases[] = {
        {"http://site/dir/page.html", "<p>no movies here</p>", ""},
        {"http://site/dir/page.html", "<EMBED SRC=\"a.swf\"><embed src=\"a.swf\">",
         "http://site/dir/a.swf,http://site/dir/a.swf,"},
        {"http://site/dir/page.html", "<embed src=\"/root.swf\"> <embed src=http://other/x.swf>",
         "http://site/root.swf,http://other/x.swf,"},
        // The HTML ends at its first zero character.
        {"http://site/", std::string("<embed src=\"a.swf\">\0<embed src=\"b.swf\">", 39), "http://site/a.swf,"},
    };
    for (const auto& c : cases) EXPECT_EQ(FlashListPayload(c.page, c.html, false), c.payload) << c.html;

    // A page address longer than the scanner's own field still resolves relative movies.
    const std::string longPage = "http://site/" + std::string(300, 'd') + "/page.html";
    EXPECT_EQ(FlashListPayload(longPage, "<embed src=\"m.swf\">", false), "http://site/" + std::string(300, 'd') + "/m.swf,");
}

TEST(FlashListPayload, ExtendedListsEachMovieOnceWhereverThePageEmbedsIt)
{
    const std::string page = "<EMBED SRC=\"a.swf\"><embed src=\"a.swf\">"
                             "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"><param name=movie value=b.swf></object>"
                             "<script>swfobject.embedSWF(\"c.swf\", \"x\", \"1\", \"1\", \"9\");</script>";
    EXPECT_EQ(FlashListPayload("http://site/dir/page.html", page, true),
              "http://site/dir/a.swf,http://site/dir/b.swf,http://site/dir/c.swf,");
    EXPECT_EQ(FlashListPayload("http://site/dir/page.html", page, false), "http://site/dir/a.swf,http://site/dir/a.swf,");
}

TEST(ProgramCommand, QuotesPathsWithBlanksAndRefusesWhatWindowsCannotStart)
{
    const struct {
        const char* path;
        const char* payload;
        bool starts;
        const char* command;
    } cases[] = {
        {"C:\\Tarnwick\\drovane.exe", "http://site/page.html", true, "C:\\Tarnwick\\drovane.exe http://site/page.html"},
        {"C:\\Tarnwick\\drovane.exe", "", true, "C:\\Tarnwick\\drovane.exe "},
        {"C:\\Program Files\\Tarnwick\\drovane.exe", "a.swf,", true, "\"C:\\Program Files\\Tarnwick\\drovane.exe\" a.swf,"},
        {"\"C:\\Program Files\\Tarnwick\\drovane.exe\"", "x", true, "\"C:\\Program Files\\Tarnwick\\drovane.exe\" x"},
        {"", "x", false, ""},
    };
    for (const auto& c : cases) {
        std::string command = "stale";
        EXPECT_EQ(ProgramCommand(c.path, c.payload, command), c.starts) << c.path;
        EXPECT_EQ(command, c.command) << c.path;
    }
    const std::string path = "C:\\drovane.exe";
    std::string command;
    EXPECT_TRUE(ProgramCommand(path, std::string(kMaxCommandLength - path.size() - 1, 'm'), command));
    EXPECT_EQ(command.size(), kMaxCommandLength);
    EXPECT_FALSE(ProgramCommand(path, std::string(kMaxCommandLength - path.size(), 'm'), command));
    EXPECT_TRUE(command.empty());
}

} // namespace
