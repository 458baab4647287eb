#pragma once
// Where the addresses a movie's scripts open go: the default browser (ShellUrlOpener on
// Windows), or a recorder in tests. The player hands over only http and https addresses, and
// only as the direct result of a click or a key press. Platform-neutral.
#include <string>

class IUrlOpener {
public:
    virtual ~IUrlOpener() = default;
    virtual void Open(const std::string& url) = 0;
};
