#pragma once
// The rows of an installer package that write the keys of registration scripts: WiX
// RegistryValue elements for wixl, which become the package's Registry table. Uninstalling
// removes what unregistering with the scripts would:
// - a key the script deletes with everything below it (one not marked NoRemove, whose parents
//   all are) gets a "*" row: the installer creates it, and deletes it with everything below it
//   on uninstall;
// - a key with neither values nor keys below it gets a "+" row, so that it is created;
// - every value is a row of its own.
#include <map>
#include <string>
#include <vector>

#include "RegistryScript.h"

// `references` maps texts that stand in the scripts for what only the installer knows (the
// installed path of a file) to the installer's formatted text for it ("[#FileId]"); everything
// else is written so that the installer keeps it as it is. False with a short reason for a
// script the installer cannot write: an unknown root key, an empty value (the installer does not
// tell an empty text from none).
bool WixRegistryRows(const std::vector<RegistryScript>& scripts, const std::map<std::string, std::string>& references,
                     std::string& include, std::string& error);
