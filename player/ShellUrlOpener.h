#pragma once
// Opens an address in the default browser through the shell. The player has checked it (http or
// https, from a click or key press) before it comes here.
#include "IUrlOpener.h"

class CShellUrlOpener final : public IUrlOpener {
public:
    void Open(const std::string& url) override;
};
