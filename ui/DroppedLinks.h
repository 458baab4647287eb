#pragma once
// What a drop on the main window means: the addresses found in what was dropped (a link or a
// text from a browser, a saved page or a shortcut from Explorer), and what becomes of them.
// Platform-neutral; the texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

// What the main window does with a drop.
struct DropPlan {
    enum Kind {
        Refuse,    // nothing usable: the drop is not taken
        NewTask,   // one page address: New Task opens with it
        AddRows,   // movies, or several addresses: rows are added for them
    };
    Kind kind = Refuse;
    std::vector<std::string> addresses;
};

// One address a line, blank lines and the blanks around a line ignored. Every line must be an
// http or https address (scheme in any case, a host, no blanks or control characters inside);
// otherwise the text is no list of addresses and the result is empty. Characters outside ASCII
// are written as %XX escapes of their UTF-8 bytes, as a browser sends them.
std::vector<std::string> AddressesInText(std::string_view text);

// The "text/x-moz-url" form: lines in pairs of an address and its title.
std::vector<std::string> AddressesInMozUrl(std::string_view text);

// The address a browser noted in a page it saved ("<!-- saved from url=(0041)http://... -->"),
// or "" when the page has none.
std::string SavedPageAddress(std::string_view html);

// True for an address whose path (before "?" or "#") ends in ".swf", in any case.
bool IsMovieAddress(std::string_view address);

// One address that is not a movie's opens New Task; a movie's, or several addresses, are added
// as rows; none is refused.
DropPlan PlanDrop(std::vector<std::string> addresses);
