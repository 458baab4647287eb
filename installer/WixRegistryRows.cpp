#include "WixRegistryRows.h"

#include <cctype>

namespace {

struct Row {
    std::string key;
    std::string name;    // empty for the key's default value
    std::string value;   // empty only for the "*" and "+" rows
};

class RowWriter {
public:
    RowWriter(const std::map<std::string, std::string>& references, std::string& out)
        : m_references(references), m_out(out)
    {
    }

    bool Root(const RegistryKeyNode& root, std::string& error)
    {
        m_root = RootName(root.name);
        if (m_root.empty()) {
            error = "unknown root key " + root.name;
            return false;
        }
        for (const RegistryKeyNode& node : root.children) {
            if (!Key(node.name, node, false, error)) return false;
        }
        return true;
    }

private:
    static std::string RootName(const std::string& name)
    {
        std::string upper;
        for (const char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == "HKCR" || upper == "HKEY_CLASSES_ROOT") return "HKCR";
        if (upper == "HKCU" || upper == "HKEY_CURRENT_USER") return "HKCU";
        if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE") return "HKLM";
        if (upper == "HKU" || upper == "HKEY_USERS") return "HKU";
        return {};
    }

    bool Key(const std::string& path, const RegistryKeyNode& node, bool removedAbove, std::string& error)
    {
        const bool removedHere = !removedAbove && !node.noRemove;
        if (removedHere) {
            Write({path, "*", {}});
        } else if (!node.defaultValue && node.values.empty() && node.children.empty()) {
            Write({path, "+", {}});
        }
        if (node.defaultValue && !Value(path, {}, *node.defaultValue, error)) return false;
        for (const RegistryNamedValue& value : node.values) {
            if (!Value(path, value.name, value.text, error)) return false;
        }
        for (const RegistryKeyNode& child : node.children) {
            if (!Key(path + "\\" + child.name, child, removedAbove || removedHere, error)) return false;
        }
        return true;
    }

    bool Value(const std::string& path, const std::string& name, const std::string& text, std::string& error)
    {
        if (text.empty()) {
            error = "the value " + (name.empty() ? path : path + "\\" + name) + " is empty";
            return false;
        }
        Write({path, name, text});
        return true;
    }

    void Write(const Row& row)
    {
        m_out += "  <RegistryValue Root=\"" + m_root + "\" Key=\"" + Xml(Formatted(row.key)) + "\"";
        if (!row.name.empty()) m_out += " Name=\"" + Xml(Formatted(row.name)) + "\"";
        // A value that starts with '#' would be read as a number; "##" keeps the text.
        const std::string value = !row.value.empty() && row.value[0] == '#' ? "#" + row.value : row.value;
        m_out += " Type=\"string\" Value=\"" + Xml(Formatted(value)) + "\"/>\n";
    }

    // The installer's formatted text: references become the installer's own, and square
    // brackets, which would start one, are escaped.
    std::string Formatted(const std::string& text) const
    {
        std::string out;
        for (std::size_t at = 0; at < text.size();) {
            const auto reference = FindReference(text, at);
            if (reference != m_references.end()) {
                out += reference->second;
                at += reference->first.size();
                continue;
            }
            if (text[at] == '[') out += "[\\[]";
            else if (text[at] == ']') out += "[\\]]";
            else out += text[at];
            ++at;
        }
        return out;
    }

    std::map<std::string, std::string>::const_iterator FindReference(const std::string& text, std::size_t at) const
    {
        for (auto it = m_references.begin(); it != m_references.end(); ++it) {
            if (text.compare(at, it->first.size(), it->first) == 0) return it;
        }
        return m_references.end();
    }

    static std::string Xml(const std::string& text)
    {
        std::string out;
        for (const char c : text) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
            }
        }
        return out;
    }

    const std::map<std::string, std::string>& m_references;
    std::string& m_out;
    std::string m_root;
};

} // namespace

bool WixRegistryRows(const std::vector<RegistryScript>& scripts, const std::map<std::string, std::string>& references,
                     std::string& include, std::string& error)
{
    include = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<!-- Made by msi-registry from registration scripts: edit those instead. -->\n"
              "<Include xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
    RowWriter writer(references, include);
    for (const RegistryScript& script : scripts) {
        for (const RegistryKeyNode& root : script.roots) {
            if (!writer.Root(root, error)) return false;
        }
    }
    include += "</Include>\n";
    return true;
}
