#pragma once
// The registry keys RegisterTypeLib writes for a type library, worked out from the IDL file the
// library is compiled from, in the form of a registration script's tree. Platform-neutral: the
// installer is made on the build machine, where no type library can be loaded.
//
// What is read: the library's uuid, version, lcid and helpstring, and every interface declared
// dual or oleautomation (those are the ones registered, with the automation marshaler as their
// proxy). Any other attribute of the library (helpfile, control, hidden, restricted, ...) and any
// dispinterface is refused, as each would change the keys.
#include <string>
#include <string_view>

#include "RegistryScript.h"

// `modulePath` and `moduleFolder` stand for the installed file holding the library and its
// folder. False with a short reason when the IDL has no library or something is refused.
bool TypeLibraryKeys(std::string_view idl, const std::string& modulePath, const std::string& moduleFolder,
                     RegistryScript& script, std::string& error);
