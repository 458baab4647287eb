// What a drop on the main window becomes: the addresses read out of dropped texts, links and
// saved pages, and whether they open New Task or come in as rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DroppedLinks.h"

namespace {

using Addresses = std::vector<std::string>;

TEST(DroppedLinks, TextIsTakenOnlyWhenEveryLineIsAnAddress)
{
    const struct {
        const char* text;
        Addresses addresses;
    } cases[] = {
        {"http://host/page.html", {"http://host/page.html"}},
        {"  HTTPS://Host/a.swf \r\n", {"HTTPS://Host/a.swf"}},
        {"http://h/a.swf\r\n\r\nhttp://h/b.swf\nhttp://h/c.swf\r", {"http://h/a.swf", "http://h/b.swf", "http://h/c.swf"}},
        {"http://h/caf\xC3\xA9.swf", {"http://h/caf%C3%A9.swf"}},
        {" \r\n ", {}},
        {"http://h/a.swf\nand a remark", {}},
        {"http://h/a page.html", {}},
        {"ftp://h/a.swf", {}},
        {"http:///path", {}},
        {"javascript:play('http://h/a.swf')", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(AddressesInText(c.text), c.addresses) << c.text;
}

TEST(DroppedLinks, MozUrlPairsAnAddressWithItsTitle)
{
    EXPECT_EQ(AddressesInMozUrl("http://h/page.html\nThe page"), Addresses{"http://h/page.html"});
    EXPECT_EQ(AddressesInMozUrl("http://h/a.swf\nA\nhttp://h/b.swf\nB"), (Addresses{"http://h/a.swf", "http://h/b.swf"}));
    EXPECT_EQ(AddressesInMozUrl("The page\nhttp://h/page.html"), Addresses{});
}

TEST(DroppedLinks, SavedPageNamesTheAddressItCameFrom)
{
    const struct {
        const char* html;
        const char* address;
    } cases[] = {
        {"<!DOCTYPE html>\r\n<!-- saved from url=(0025)http://host/dir/page.html -->\r\n<html>", "http://host/dir/page.html"},
        {"<!-- Saved From URL=(0015)http://h/a.html -->", "http://h/a.html"},
        // The length tells where the address ends; text beyond it is not part of it.
        {"<!-- saved from url=(0014)http://h/a.htmlXYZ -->", "http://h/a.htm"},
        {"<!-- saved from url=(0014)about:internet -->", ""},
        {"<!-- saved from url=(0099)http://h/a.html -->", ""},
        {"<html><embed src=a.swf></html>", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SavedPageAddress(c.html), c.address) << c.html;
}

TEST(DroppedLinks, OnePageOpensNewTaskMoviesAndListsBecomeRows)
{
    const struct {
        Addresses addresses;
        DropPlan::Kind kind;
    } cases[] = {
        {{}, DropPlan::Refuse},
        {{"http://h/page.html?file=a.swf"}, DropPlan::NewTask},
        {{"http://h/movie.SWF?x=1#t"}, DropPlan::AddRows},
        {{"http://h/one.html", "http://h/two.html"}, DropPlan::AddRows},
    };
    for (const auto& c : cases) {
        const DropPlan plan = PlanDrop(c.addresses);
        EXPECT_EQ(plan.kind, c.kind) << (c.addresses.empty() ? "none" : c.addresses.front());
        if (plan.kind != DropPlan::Refuse) EXPECT_EQ(plan.addresses, c.addresses);
    }
}

} // namespace
