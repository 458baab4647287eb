#pragma once
// What the Quorvel object hands to the main program, and how it starts it. Platform-neutral.
#include <string>
#include <string_view>

// The longest command line Windows starts a program with (32,767 characters with the zero).
constexpr std::size_t kMaxCommandLength = 32766;

// The movie list for a page's HTML: every embedded movie's address, resolved against the page
// address, each followed by ","; the page address is used whole, however long. By the literal
// rule alone, in document order with repeats kept, the HTML ending at its first zero character;
// extended, as FindMovies gives them: each address once.
std::string FlashListPayload(std::string_view pageUrl, std::string_view html, bool extended);

// The command that starts the program: its path, one blank, the payload. A path with a blank
// that is not already quoted is put in double quotes, so the program still finds where its own
// name ends. False (nothing to start) for an empty path or a command over kMaxCommandLength.
bool ProgramCommand(std::string_view programPath, std::string_view payload, std::string& command);
