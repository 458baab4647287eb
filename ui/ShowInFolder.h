#pragma once
// Shows a file in Explorer: its folder opened, the file selected.
#include <string>

// False when neither the shell nor Explorer could be asked to.
bool ShowInFolder(const std::string& path);
