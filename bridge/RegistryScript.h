#pragma once
// The registration script embedded in Hollin.dll: a tree of registry keys written in the
// conventional ".rgs" notation. Platform-neutral: only reading the text lives here; the
// registrar applies the tree to the registry.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {guid} = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// A key name or a value text may be quoted with apostrophes (a doubled apostrophe stands for
// one). `NoRemove` keeps a key when unregistering; `ForceRemove` deletes a key with everything
// below it before writing it again. Only string values (`s`) are used. `%NAME%` markers in
// values are replaced from a table given to the parser; `%%` is a lone percent sign.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RegistryNamedValue {
    std::string name;
    std::string text;
};

struct RegistryKeyNode {
    std::string name;
    bool noRemove = false;
    bool forceRemove = false;
    std::optional<std::string> defaultValue;
    std::vector<RegistryNamedValue> values;
    std::vector<RegistryKeyNode> children;
};

struct RegistryScript {
    // One node per root key ("HKCR", "HKCU", ...); the root's own flags are unused.
    std::vector<RegistryKeyNode> roots;
};

// False with a short reason for a script it cannot read: unbalanced braces, an unknown value
// type, an unknown marker, a missing name. Nesting is limited to 32 levels.
bool ParseRegistryScript(std::string_view text, const std::map<std::string, std::string>& markers,
                         RegistryScript& script, std::string& error);
