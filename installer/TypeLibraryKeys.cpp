#include "TypeLibraryKeys.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The automation marshaler: the proxy and stub of every dual or oleautomation interface.
constexpr const char* kAutomationMarshaler = "{00020424-0000-0000-C000-000000000046}";
// The library flags the system writes are those of the loaded library: LIBFLAG_FHASDISKIMAGE
// (8) for one loaded from its file, and nothing else, as the flags the IDL could add are refused.
constexpr const char* kLibraryFlags = "8";
// Hollin.dll is built for x64 only (widl --win64), so its library is registered as win64.
constexpr const char* kSystemKind = "win64";

struct Token {
    enum Kind { Word, Text, Mark } kind;
    std::string text;
};

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// Words (names, numbers, uuids), quoted texts and single punctuation marks; comments and
// preprocessor lines are dropped.
bool Tokenise(std::string_view idl, std::vector<Token>& tokens, std::string& error)
{
    std::size_t at = 0;
    const auto skipTo = [&](std::string_view end) {
        const std::size_t found = idl.find(end, at);
        at = found == std::string_view::npos ? idl.size() : found + end.size();
        return found != std::string_view::npos;
    };
    while (at < idl.size()) {
        const char c = idl[at];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
        } else if (idl.substr(at, 2) == "//" || c == '#') {
            skipTo("\n");
        } else if (idl.substr(at, 2) == "/*") {
            if (!skipTo("*/")) {
                error = "a comment is not closed";
                return false;
            }
        } else if (c == '"') {
            Token text{Token::Text, {}};
            for (++at; at < idl.size() && idl[at] != '"'; ++at) {
                if (idl[at] == '\\' && at + 1 < idl.size()) ++at;
                text.text += idl[at];
            }
            if (at++ >= idl.size()) {
                error = "a quoted text is not closed";
                return false;
            }
            tokens.push_back(std::move(text));
        } else if (IsWordChar(c)) {
            Token word{Token::Word, {}};
            while (at < idl.size() && IsWordChar(idl[at])) word.text += idl[at++];
            tokens.push_back(std::move(word));
        } else {
            tokens.push_back({Token::Mark, std::string(1, c)});
            ++at;
        }
    }
    return true;
}

bool IsMark(const std::vector<Token>& tokens, std::size_t at, char mark)
{
    return at < tokens.size() && tokens[at].kind == Token::Mark && tokens[at].text[0] == mark;
}

bool IsWord(const std::vector<Token>& tokens, std::size_t at, const char* word)
{
    return at < tokens.size() && tokens[at].kind == Token::Word && tokens[at].text == word;
}

struct Attribute {
    std::string name;
    std::string argument;   // the text between the parentheses, without quotes
};

// At '[': reads the attribute list and moves past its ']'.
bool ReadAttributes(const std::vector<Token>& tokens, std::size_t& at, std::vector<Attribute>& attributes,
                    std::string& error)
{
    for (++at; !IsMark(tokens, at, ']'); ) {
        if (at >= tokens.size()) {
            error = "an attribute list is not closed";
            return false;
        }
        if (IsMark(tokens, at, ',')) {
            ++at;
            continue;
        }
        Attribute attribute{tokens[at++].text, {}};
        if (IsMark(tokens, at, '(')) {
            for (int depth = 1; depth > 0;) {
                if (++at >= tokens.size()) {
                    error = "the argument of " + attribute.name + " is not closed";
                    return false;
                }
                if (IsMark(tokens, at, '(')) ++depth;
                if (IsMark(tokens, at, ')') && --depth == 0) break;
                attribute.argument += tokens[at].text;
            }
            ++at;   // past the closing ')'
        }
        attributes.push_back(std::move(attribute));
    }
    ++at;
    return true;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals, as the system writes identifiers.
bool BracedGuid(const std::string& uuid, std::string& braced)
{
    static constexpr std::size_t kDashes[] = {8, 13, 18, 23};
    if (uuid.size() != 36) return false;
    braced = "{";
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        const bool dash = i == kDashes[0] || i == kDashes[1] || i == kDashes[2] || i == kDashes[3];
        if (dash ? uuid[i] != '-' : !std::isxdigit(static_cast<unsigned char>(uuid[i]))) return false;
        braced += static_cast<char>(std::toupper(static_cast<unsigned char>(uuid[i])));
    }
    braced += '}';
    return true;
}

std::string Hex(unsigned long number)
{
    char text[24];
    std::snprintf(text, sizeof text, "%lx", number);
    return text;
}

struct Library {
    std::string guid;
    std::string version = "0.0";   // as the registry writes it: hexadecimal major.minor
    std::string lcid = "0";
    std::optional<std::string> helpString;
};

struct Interface {
    std::string name;
    std::string guid;
};

bool ReadLibrary(const std::vector<Attribute>& attributes, Library& library, std::string& error)
{
    for (const Attribute& attribute : attributes) {
        if (attribute.name == "uuid") {
            if (!BracedGuid(attribute.argument, library.guid)) {
                error = "the library's uuid is not one";
                return false;
            }
        } else if (attribute.name == "version") {
            char* end = nullptr;
            const unsigned long major = std::strtoul(attribute.argument.c_str(), &end, 10);
            const unsigned long minor = *end == '.' ? std::strtoul(end + 1, nullptr, 10) : 0;
            library.version = Hex(major) + "." + Hex(minor);
        } else if (attribute.name == "lcid") {
            library.lcid = Hex(std::strtoul(attribute.argument.c_str(), nullptr, 0));
        } else if (attribute.name == "helpstring") {
            library.helpString = attribute.argument;
        } else {
            error = "the library's attribute " + attribute.name + " is not supported";
            return false;
        }
    }
    if (library.guid.empty()) error = "the library has no uuid";
    return !library.guid.empty();
}

// Empty when the interface is not registered (neither dual nor oleautomation).
bool ReadInterface(const std::string& name, const std::vector<Attribute>& attributes, std::optional<Interface>& found,
                   std::string& error)
{
    Interface described{name, {}};
    bool automation = false;
    for (const Attribute& attribute : attributes) {
        if (attribute.name == "dual" || attribute.name == "oleautomation") automation = true;
        if (attribute.name == "uuid" && !BracedGuid(attribute.argument, described.guid)) {
            error = "the uuid of " + name + " is not one";
            return false;
        }
    }
    if (automation && described.guid.empty()) {
        error = name + " has no uuid";
        return false;
    }
    if (automation) found = std::move(described);
    return true;
}

RegistryKeyNode Key(std::string name, std::optional<std::string> value = std::nullopt)
{
    RegistryKeyNode key;
    key.name = std::move(name);
    key.defaultValue = std::move(value);
    return key;
}

RegistryKeyNode StandingKey(std::string name)
{
    RegistryKeyNode key = Key(std::move(name));
    key.noRemove = true;
    return key;
}

} // namespace

bool TypeLibraryKeys(std::string_view idl, const std::string& modulePath, const std::string& moduleFolder,
                     RegistryScript& script, std::string& error)
{
    std::vector<Token> tokens;
    if (!Tokenise(idl, tokens, error)) return false;
    std::optional<Library> library;
    std::vector<Interface> interfaces;
    for (std::size_t at = 0; at < tokens.size();) {
        if (!IsMark(tokens, at, '[')) {
            ++at;
            continue;
        }
        std::vector<Attribute> attributes;
        if (!ReadAttributes(tokens, at, attributes, error)) return false;
        if (at + 1 >= tokens.size() || tokens[at + 1].kind != Token::Word) continue;
        const std::string& name = tokens[at + 1].text;
        if (IsWord(tokens, at, "library")) {
            library.emplace();
            if (!ReadLibrary(attributes, *library, error)) return false;
        } else if (IsWord(tokens, at, "interface") && (IsMark(tokens, at + 2, ':') || IsMark(tokens, at + 2, '{'))) {
            std::optional<Interface> registered;
            if (!ReadInterface(name, attributes, registered, error)) return false;
            if (registered) interfaces.push_back(std::move(*registered));
        } else if (IsWord(tokens, at, "dispinterface")) {
            error = "the dispinterface " + name + " is not supported";
            return false;
        }
    }
    if (!library) {
        error = "no library is declared";
        return false;
    }

    // The library key goes on removal with every version below it, as the system removes the
    // library key once its last version is gone.
    RegistryKeyNode version = Key(library->version, library->helpString);
    RegistryKeyNode language = Key(library->lcid);
    language.children.push_back(Key(kSystemKind, modulePath));
    version.children.push_back(std::move(language));
    version.children.push_back(Key("FLAGS", kLibraryFlags));
    version.children.push_back(Key("HELPDIR", moduleFolder));
    RegistryKeyNode libraryKey = Key(library->guid);
    libraryKey.children.push_back(std::move(version));
    RegistryKeyNode typeLibs = StandingKey("TypeLib");
    typeLibs.children.push_back(std::move(libraryKey));

    // The interfaces of a win64 library are registered in the 32-bit view of the classes too,
    // so that 32-bit programs can marshal them.
    RegistryKeyNode interfaceKeys = StandingKey("Interface");
    for (const Interface& described : interfaces) {
        RegistryKeyNode key = Key(described.guid, described.name);
        key.children.push_back(Key("ProxyStubClsid", kAutomationMarshaler));
        key.children.push_back(Key("ProxyStubClsid32", kAutomationMarshaler));
        RegistryKeyNode typeLib = Key("TypeLib", library->guid);
        typeLib.values.push_back({"Version", library->version});
        key.children.push_back(std::move(typeLib));
        interfaceKeys.children.push_back(std::move(key));
    }
    RegistryKeyNode view32 = StandingKey("Wow6432Node");
    view32.children.push_back(interfaceKeys);

    RegistryKeyNode root = Key("HKCR");
    root.children.push_back(std::move(typeLibs));
    if (!interfaces.empty()) {
        root.children.push_back(std::move(interfaceKeys));
        root.children.push_back(std::move(view32));
    }
    script = RegistryScript{};
    script.roots.push_back(std::move(root));
    return true;
}
