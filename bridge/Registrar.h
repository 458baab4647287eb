#pragma once
// Writes or removes the keys of a registration script in the registry.
#include <windows.h>

#include "RegistryScript.h"

// Registering: every key is created and its values written; a ForceRemove key is deleted with
// everything below it first. Unregistering: every key not marked NoRemove is deleted with
// everything below it; a NoRemove key stays and its children are visited. Returns the first
// failure (a missing key is not one when unregistering).
HRESULT ApplyRegistryScript(const RegistryScript& script, bool registering);
