#pragma once
// What the program takes from its command line. Platform-neutral.
#include <string_view>

#include "CString.h"

// The text after the program name: the name ends at the closing double quote when the line
// starts with one, else at the first character whose code is at most that of the blank; the
// characters 1 to blank that follow are skipped. The rest is kept whole: not split, no quotes
// removed, any length.
CString ArgumentText(std::string_view commandLine);

enum class ArgumentForm { Empty, MovieList, PageAddress };

// A text ending in "," is a movie list; any other non-empty text a page address.
ArgumentForm ClassifyArgument(const CString& argument);
