// The stored form of the window rectangle.
#include <gtest/gtest.h>

#include "PlacementText.h"

namespace {

TEST(StoredRect, FormatsEachValueWithFourDigitsAtLeast)
{
    const std::pair<StoredRect, const char*> cases[] = {
        {{50, 60, 530, 380}, "0050 0060 0530 0380"},
        {{10, 10, 500, 400}, "0010 0010 0500 0400"},
        {{-4, 0, 9999, -999}, "-004 0000 9999 -999"},
        {{10000, 10, 500, 400}, "10000 0010 0500 0400"},
    };
    for (const auto& [rect, text] : cases) EXPECT_EQ(FormatStoredRect(rect), text);
}

TEST(StoredRect, ValuesFromMinus999To9999RoundTrip)
{
    for (int v : {-999, -100, -4, -1, 0, 7, 1023, 9999}) {
        const StoredRect rect{v, -v < -999 ? 0 : -v, v, 9999 - (v < 0 ? 0 : v)};
        EXPECT_EQ(ParseStoredRect(FormatStoredRect(rect)), rect) << FormatStoredRect(rect);
    }
}

TEST(StoredRect, WideValuesAreReadByTheirBlanks)
{
    // A window on a screen left of or above the main one: every field keeps its number.
    EXPECT_EQ(ParseStoredRect("10000 0010 0500 0400"), (StoredRect{10000, 10, 500, 400}));
    EXPECT_EQ(ParseStoredRect("-1000 -1000 0500 0400"), (StoredRect{-1000, -1000, 500, 400}));
    EXPECT_EQ(ParseStoredRect("-1920 -0200 -1200 0400"), (StoredRect{-1920, -200, -1200, 400}));
    // Without blanks to go by, the fixed offsets still count.
    EXPECT_EQ(ParseStoredRect("0050x0060x0530x0380"), (StoredRect{50, 60, 530, 380}));
}

TEST(StoredRect, ShortTextsAreReadByTheirBlanksOrCountAsAbsent)
{
    EXPECT_EQ(ParseStoredRect("10 20 30 40"), (StoredRect{10, 20, 30, 40}));
    EXPECT_EQ(ParseStoredRect(" -5 6 7 8"), (StoredRect{-5, 6, 7, 8}));
    for (const char* absent : {"", "1 2 3", "a b c d", "10 20 30 40 50", "1,2,3,4", "1 2 3 4x"}) {
        EXPECT_FALSE(ParseStoredRect(absent).has_value()) << '"' << absent << '"';
    }
}

} // namespace
