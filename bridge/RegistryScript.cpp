#include "RegistryScript.h"

namespace {

constexpr int kMaxDepth = 32;

struct Token {
    enum Kind { End, Word, Quoted, Open, Close, Equals } kind = End;
    std::string text;
};

class Reader {
public:
    Reader(std::string_view text, const std::map<std::string, std::string>& markers)
        : m_text(text), m_markers(markers)
    {
    }

    // Tokens are separated by white space, as in every such script: a lone "{", "}" or "=" is
    // punctuation, so "{EA4492CB-...}" is a key name.
    bool Next(Token& token)
    {
        SkipBlanks();
        token = Token{};
        if (m_at >= m_text.size()) return true;
        if (m_text[m_at] == '\'') return ReadQuoted(token);
        while (m_at < m_text.size() && !IsBlank(m_text[m_at])) token.text += m_text[m_at++];
        if (token.text == "{") token.kind = Token::Open;
        else if (token.text == "}") token.kind = Token::Close;
        else if (token.text == "=") token.kind = Token::Equals;
        else token.kind = Token::Word;
        return token.kind != Token::Word || Substitute(token.text);
    }

    std::string error;

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    void SkipBlanks()
    {
        while (m_at < m_text.size() && IsBlank(m_text[m_at])) ++m_at;
    }

    bool ReadQuoted(Token& token)
    {
        token.kind = Token::Quoted;
        for (++m_at;; ++m_at) {
            if (m_at >= m_text.size()) {
                error = "unterminated quoted text";
                return false;
            }
            if (m_text[m_at] == '\'') {
                if (m_at + 1 < m_text.size() && m_text[m_at + 1] == '\'') {
                    token.text += '\'';
                    ++m_at;
                    continue;
                }
                ++m_at;
                return Substitute(token.text);
            }
            token.text += m_text[m_at];
        }
    }

    bool Substitute(std::string& text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '%') {
                out += text[i];
                continue;
            }
            const std::size_t end = text.find('%', i + 1);
            if (end == std::string::npos) {
                error = "a '%' without its closing '%'";
                return false;
            }
            const std::string name = text.substr(i + 1, end - i - 1);
            if (name.empty()) {
                out += '%';
            } else {
                const auto found = m_markers.find(name);
                if (found == m_markers.end()) {
                    error = "unknown marker %" + name + "%";
                    return false;
                }
                out += found->second;
            }
            i = end;
        }
        text = std::move(out);
        return true;
    }

    std::string_view m_text;
    const std::map<std::string, std::string>& m_markers;
    std::size_t m_at = 0;
};

bool IsWord(const Token& token, const char* word)
{
    if (token.kind != Token::Word || token.text.size() != std::char_traits<char>::length(word)) return false;
    for (std::size_t i = 0; i < token.text.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(token.text[i]) != lower(word[i])) return false;
    }
    return true;
}

class Parser {
public:
    explicit Parser(Reader& reader) : m_reader(reader) {}

    bool Roots(RegistryScript& script)
    {
        if (!Advance()) return false;
        while (m_token.kind != Token::End) {
            RegistryKeyNode root;
            if (m_token.kind != Token::Word) return Fail("a root key name was expected");
            root.name = m_token.text;
            if (!Advance()) return false;
            if (m_token.kind != Token::Open) return Fail("'{' was expected after " + root.name);
            if (!Body(root, 1)) return false;
            script.roots.push_back(std::move(root));
        }
        return true;
    }

    std::string error;

private:
    bool Advance()
    {
        if (m_reader.Next(m_token)) return true;
        error = m_reader.error;
        return false;
    }

    bool Fail(std::string why)
    {
        error = std::move(why);
        return false;
    }

    // At '{': reads entries up to the matching '}' and moves past it.
    bool Body(RegistryKeyNode& key, int depth)
    {
        if (depth > kMaxDepth) return Fail("keys nested too deeply");
        if (!Advance()) return false;
        while (m_token.kind != Token::Close) {
            if (m_token.kind == Token::End) return Fail("'}' missing at the end");
            if (IsWord(m_token, "val")) {
                if (!Advance()) return false;
                RegistryNamedValue value;
                if (m_token.kind != Token::Word && m_token.kind != Token::Quoted) return Fail("a value name was expected");
                value.name = m_token.text;
                if (!Advance() || !Assignment(value.text)) return false;
                key.values.push_back(std::move(value));
                continue;
            }
            RegistryKeyNode child;
            for (;;) {
                if (IsWord(m_token, "NoRemove")) child.noRemove = true;
                else if (IsWord(m_token, "ForceRemove")) child.forceRemove = true;
                else break;
                if (!Advance()) return false;
            }
            if (m_token.kind != Token::Word && m_token.kind != Token::Quoted) return Fail("a key name was expected");
            if (m_token.text.empty()) return Fail("a key name is empty");
            child.name = m_token.text;
            if (!Advance()) return false;
            if (m_token.kind == Token::Equals) {
                std::string text;
                if (!Assignment(text)) return false;
                child.defaultValue = std::move(text);
            }
            if (m_token.kind == Token::Open && !Body(child, depth + 1)) return false;
            key.children.push_back(std::move(child));
        }
        return Advance();
    }

    // At '=': reads "s 'text'" and moves past it.
    bool Assignment(std::string& text)
    {
        if (m_token.kind != Token::Equals) return Fail("'=' was expected");
        if (!Advance()) return false;
        if (!IsWord(m_token, "s")) return Fail("only string values ('s') are supported");
        if (!Advance()) return false;
        if (m_token.kind != Token::Quoted) return Fail("a quoted value was expected");
        text = m_token.text;
        return Advance();
    }

    Reader& m_reader;
    Token m_token;
};

} // namespace

bool ParseRegistryScript(std::string_view text, const std::map<std::string, std::string>& markers,
                         RegistryScript& script, std::string& error)
{
    script = RegistryScript{};
    Reader reader(text, markers);
    Parser parser(reader);
    if (parser.Roots(script)) return true;
    error = parser.error;
    script = RegistryScript{};
    return false;
}
