#include "ScriptReader.h"

#include <algorithm>

#include "CharacterReferences.h"

namespace {

// Character classes as bits of one table entry per byte: the lexer looks at every byte.
enum : unsigned char { kBlank = 1, kNameStart = 2, kNamePart = 4, kDigit = 8 };

constexpr auto kClasses = [] {
    struct Table {
        unsigned char bits[256] = {};
    } table;
    for (const char c : {' ', '\t', '\f', '\v'}) table.bits[static_cast<unsigned char>(c)] = kBlank;
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' || c >= 0x80)
            table.bits[c] = kNameStart | kNamePart;
        if (c >= '0' && c <= '9') table.bits[c] = kDigit | kNamePart;
    }
    return table;
}();

bool Is(char c, unsigned char what) { return (kClasses.bits[static_cast<unsigned char>(c)] & what) != 0; }
bool IsSpace(char c) { return Is(c, kBlank); }
bool IsDigit(char c) { return Is(c, kDigit); }
bool IsNameStart(char c) { return Is(c, kNameStart); }
bool IsNamePart(char c) { return Is(c, kNamePart); }

int HexValue(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of `count` hex digits at text[i], or -1.
long HexAt(std::string_view text, std::size_t i, std::size_t count)
{
    if (i + count > text.size()) return -1;
    long value = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const int digit = HexValue(text[i + k]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

std::size_t EndOfLine(std::string_view text, std::size_t i)
{
    const std::size_t end = text.find_first_of("\r\n", i);
    return end == std::string_view::npos ? text.size() : end;
}

// Most movies' addresses are written without their extension here, as the helper script of the
// authoring tool adds it before any query: "media/logo?v=3" is "media/logo.swf?v=3".
std::string WithMovieExtension(std::string value)
{
    const std::size_t question = value.find('?');
    value.insert(question == std::string::npos ? value.size() : question, ".swf");
    return value;
}

// The keys of an object literal that may name the movie; a variable keeps only these.
constexpr std::string_view kMovieKeys[] = {"movie", "data", "src", "swf", "flashplayer"};

} // namespace

// A call that names a movie: its method (the last name before "("), the object it is called on
// when that matters, whether "new" must precede it, which argument names the movie, and whether
// that argument may be the address itself or is an object with the movie under one of `keys`.
struct CScriptReader::CallRule {
    std::string_view method;
    std::string_view receiver;
    bool needsNew;
    std::size_t argument;
    bool takesText;
    std::string_view keys[2];
    bool needsMovieExtension;
};

void CScriptReader::Read(std::string_view script, std::size_t offset, bool visualBasic, std::vector<ScriptMovie>& movies)
{
    Lex(script, offset, visualBasic);
    ReadCalls(movies);
}

void CScriptReader::AddToken(Kind kind, std::size_t at, std::size_t begin, std::size_t end, char punct)
{
    // Filled in place: copying a token built elsewhere stalled on its two one-byte fields.
    const auto index = static_cast<std::uint32_t>(m_tokens.size());
    Token& token = m_tokens.emplace_back();
    token.offset = static_cast<std::uint32_t>(m_nOffset + at);
    token.begin = static_cast<std::uint32_t>(begin);
    token.end = static_cast<std::uint32_t>(end);
    token.match = kUnmatched;
    token.kind = kind;
    token.punct = punct;
    if (kind != Kind::Punct) return;
    // Brackets are paired as they come. A stray closer is left alone; an opener never closed
    // keeps kUnmatched.
    if (punct == '(' || punct == '[' || punct == '{') {
        m_openBrackets.push_back(index);
    } else if (punct == ')' || punct == ']' || punct == '}') {
        const char opener = punct == ')' ? '(' : punct == ']' ? '[' : '{';
        if (!m_openBrackets.empty() && m_tokens[m_openBrackets.back()].punct == opener) {
            m_tokens[m_openBrackets.back()].match = index;
            token.match = m_openBrackets.back();
            m_openBrackets.pop_back();
        }
    }
}

// Bytes that stand in the script from `at` on; a decoded escape's bytes all come from its "\".
void CScriptReader::AddMarkup(std::string_view bytes, std::size_t at, bool fromOnePlace)
{
    m_origins.Add(m_strMarkup.size(), m_nOffset + at, fromOnePlace);
    m_strMarkup.append(bytes);
}

void CScriptReader::Lex(std::string_view script, std::size_t offset, bool visualBasic)
{
    m_script = script;
    m_nOffset = offset;
    m_tokens.clear();
    m_openBrackets.clear();
    m_strMarkup.clear();
    m_origins.Clear();
    // The markup never outgrows the script: an escape is never shorter than what it stands for,
    // and each join mark takes the place of a quote.
    m_strMarkup.reserve(script.size());
    m_nRegexFailedUntil = 0;
    bool lineStart = true;
    std::size_t i = 0;
    while (i < script.size()) {
        const char c = script[i];
        if (c == '\n' || c == '\r') {
            lineStart = true;
            ++i;
            continue;
        }
        if (IsSpace(c)) {
            while (++i < script.size() && IsSpace(script[i])) {}
            continue;
        }
        if (c == '/' || c == '<' || c == '-' || c == '\'') {
            if (const std::size_t end = CommentEnd(i, visualBasic, lineStart); end != 0) {
                i = end;
                continue;
            }
        }
        lineStart = false;
        if (c == '"' || (!visualBasic && (c == '\'' || c == '`'))) {
            i = LexString(i, visualBasic);
        } else if (IsNameStart(c)) {
            std::size_t end = i + 1;
            while (end < script.size() && IsNamePart(script[end])) ++end;
            if (visualBasic && EqualsNoCase(script.substr(i, end - i), "rem")) {
                i = EndOfLine(script, i);
                continue;
            }
            AddToken(Kind::Name, i, i, end);
            i = end;
        } else if (IsDigit(c)) {
            std::size_t end = i + 1;
            while (end < script.size() && (IsNamePart(script[end]) || script[end] == '.')) ++end;
            AddToken(Kind::Other, i, i, end);
            i = end;
        } else if (const std::size_t end = c == '/' && !visualBasic && RegexMayStart() ? RegexEnd(i) : 0; end != 0) {
            AddToken(Kind::Other, i, i, end);
            i = end;
        } else {
            AddToken(Kind::Punct, i, i, i + 1, c);
            ++i;
        }
    }
}

// Where a comment starting at m_script[i] ends, or 0 when none starts there. Pages hide their
// scripts from old browsers inside "<!--" ... "//-->": both are line comments to the script,
// not the start of a comment that runs to "-->". `lineStart` says whether only blanks stand
// before m_script[i] on its line, where "-->" opens a comment too; a block comment over a line
// break sets it.
std::size_t CScriptReader::CommentEnd(std::size_t i, bool visualBasic, bool& lineStart) const
{
    const std::string_view start = m_script.substr(i, 4);
    const bool lineComment = visualBasic ? start[0] == '\''
                                         : (start.substr(0, 2) == "//" || (lineStart && start.substr(0, 3) == "-->"));
    if (lineComment || start == "<!--") return EndOfLine(m_script, i);
    if (visualBasic || start.substr(0, 2) != "/*") return 0;
    const std::size_t close = m_script.find("*/", i + 2);
    const std::size_t end = close == std::string_view::npos ? m_script.size() : close + 2;
    if (m_script.substr(i, end - i).find_first_of("\r\n") != std::string_view::npos) lineStart = true;
    return end;
}

// A string literal from its opening quote; returns where it ends. Its decoded text goes to the
// markup after a join mark: a value that runs from one literal into the next is built by the
// script, and counts as unknown even when both parts are literals.
std::size_t CScriptReader::LexString(std::size_t i, bool visualBasic)
{
    const char quote = m_script[i];
    if (!m_strMarkup.empty()) AddMarkup(std::string_view(&kJoinMark, 1), i, true);
    const std::size_t begin = m_strMarkup.size();
    std::size_t j = i + 1;
    while (j < m_script.size()) {
        const char c = m_script[j];
        if (c == quote) {
            // Visual Basic writes a quote inside a string as two.
            if (!(visualBasic && j + 1 < m_script.size() && m_script[j + 1] == quote)) {
                ++j;
                break;
            }
            AddMarkup(m_script.substr(j, 1), j);
            j += 2;
        } else if ((c == '\n' || c == '\r') && quote != '`') {
            break;   // unterminated: the script is broken, the next line is read afresh
        } else if (c == '\\' && !visualBasic) {
            j = LexEscape(j);
        } else {
            std::size_t end = j + 1;
            while (end < m_script.size() && m_script[end] != quote && m_script[end] != '\\' && m_script[end] != '\n' &&
                   m_script[end] != '\r')
                ++end;
            AddMarkup(m_script.substr(j, end - j), j);
            j = end;
        }
    }
    AddToken(Kind::String, i, begin, m_strMarkup.size());
    return j;
}

// The escape at m_script[i] == '\\'; returns where the string goes on.
std::size_t CScriptReader::LexEscape(std::size_t i)
{
    if (i + 1 >= m_script.size()) return i + 1;
    const char e = m_script[i + 1];
    std::string decoded;
    std::size_t next = i + 2;
    switch (e) {
    case 'n': decoded = "\n"; break;
    case 't': decoded = "\t"; break;
    case 'r': decoded = "\r"; break;
    case 'b': decoded = "\b"; break;
    case 'f': decoded = "\f"; break;
    case 'v': decoded = "\v"; break;
    case '0': decoded.assign(1, '\0'); break;
    case '\r': next = (i + 2 < m_script.size() && m_script[i + 2] == '\n') ? i + 3 : i + 2; break;   // line continuation
    case '\n': break;
    case 'x':
    case 'u': {
        const std::size_t digits = e == 'x' ? 2 : 4;
        if (const long value = HexAt(m_script, i + 2, digits); value >= 0) {
            AppendUtf8(decoded, static_cast<std::uint32_t>(value));
            next = i + 2 + digits;
        } else {
            decoded.assign(1, e);
        }
        break;
    }
    default: decoded.assign(1, e); break;   // \" \' \/ \\ and the rest stand for themselves
    }
    AddMarkup(decoded, i, true);
    return next;
}

// Whether a "/" here starts a regular expression rather than a division: it does after an
// operator, an opening bracket or a keyword, where no value can end.
bool CScriptReader::RegexMayStart() const
{
    if (m_tokens.empty()) return true;
    const Token& last = m_tokens.back();
    if (last.kind == Kind::Punct) return std::string_view("(,=:[!&|?{};+-*%<>~^").find(last.punct) != std::string_view::npos;
    if (last.kind != Kind::Name) return false;
    const std::string_view name = m_script.substr(last.begin, last.end - last.begin);
    for (const std::string_view keyword : {"return", "typeof", "instanceof", "in", "of", "new", "delete", "void",
                                           "throw", "case", "do", "else"}) {
        if (name == keyword) return true;
    }
    return false;
}

// The end of a regular expression literal starting at m_script[i] == '/', flags included; 0 when
// it does not close on its line. After one fails no other is tried before the end of that line,
// so no line is read over and over.
std::size_t CScriptReader::RegexEnd(std::size_t i)
{
    if (i < m_nRegexFailedUntil) return 0;
    bool inClass = false;
    for (std::size_t j = i + 1; j < m_script.size(); ++j) {
        const char c = m_script[j];
        if (c == '\n' || c == '\r') break;
        if (c == '\\') {
            ++j;
        } else if (c == '[') {
            inClass = true;
        } else if (c == ']') {
            inClass = false;
        } else if (c == '/' && !inClass) {
            ++j;
            while (j < m_script.size() && IsNamePart(m_script[j])) ++j;
            return j;
        }
    }
    m_nRegexFailedUntil = EndOfLine(m_script, i);
    return 0;
}

bool CScriptReader::IsPunct(std::size_t i, char c) const
{
    return i < m_tokens.size() && m_tokens[i].kind == Kind::Punct && m_tokens[i].punct == c;
}

std::string_view CScriptReader::NameOf(std::size_t i) const
{
    const Token& token = m_tokens[i];
    return token.kind == Kind::Name ? m_script.substr(token.begin, token.end - token.begin) : std::string_view();
}

std::string_view CScriptReader::TextOf(std::size_t i) const
{
    const Token& token = m_tokens[i];
    return std::string_view(m_strMarkup).substr(token.begin, token.end - token.begin);
}

// The next "," at this bracket level at or after i, or `limit`.
std::size_t CScriptReader::SkipToComma(std::size_t i, std::size_t limit) const
{
    while (i < limit && !IsPunct(i, ',')) {
        const Token& token = m_tokens[i];
        const bool opener = token.kind == Kind::Punct && (token.punct == '(' || token.punct == '[' || token.punct == '{');
        i = opener ? std::min<std::size_t>(token.match, limit) : i + 1;
        if (opener && i < limit) ++i;
    }
    return i;
}

// What the expression at token i is, if it is simple: a string literal, a lone name, or an
// object literal. Anything more (a call, a concatenation) is Other.
CScriptReader::Value CScriptReader::ReadValue(std::size_t i, std::size_t limit) const
{
    Value value;
    if (i >= limit) return value;
    value.token = i;
    const Token& first = m_tokens[i];
    std::size_t last = i;
    if (first.kind == Kind::String) {
        value.kind = ValueKind::Text;
        value.text = TextOf(i);
    } else if (first.kind == Kind::Name) {
        value.kind = ValueKind::Name;
        value.text = NameOf(i);
    } else if (IsPunct(i, '{') && first.match < limit) {
        value.kind = ValueKind::Object;
        last = first.match;
    } else {
        value.kind = ValueKind::Other;
        return value;
    }
    // Whatever follows must end the expression: "+ x", ".replace(...)", "[0]" make it unknown.
    if (last + 1 < limit) {
        const Token& next = m_tokens[last + 1];
        if (next.kind == Kind::Punct && std::string_view("+.([").find(next.punct) != std::string_view::npos)
            value.kind = ValueKind::Other;
    }
    return value;
}

void CScriptReader::Arguments(std::size_t open, std::size_t most, std::vector<Value>& arguments) const
{
    arguments.clear();
    const std::size_t close = std::min<std::size_t>(m_tokens[open].match, m_tokens.size());
    for (std::size_t i = open + 1; i < close && arguments.size() < most;) {
        arguments.push_back(ReadValue(i, close));
        i = SkipToComma(i, close) + 1;
    }
}

// The entries of the object literal opening at `open` whose key is one of `keys`, in order.
std::vector<std::pair<std::string_view, CScriptReader::Value>> CScriptReader::ObjectEntries(std::size_t open, const std::string_view* keys,
                                                                                          std::size_t keyCount) const
{
    std::vector<std::pair<std::string_view, Value>> entries;
    const std::size_t close = std::min<std::size_t>(m_tokens[open].match, m_tokens.size());
    for (std::size_t i = open + 1; i < close; i = SkipToComma(i, close) + 1) {
        const Token& key = m_tokens[i];
        const std::string_view name = key.kind == Kind::Name ? NameOf(i) : key.kind == Kind::String ? TextOf(i) : std::string_view();
        if (name.empty() || !IsPunct(i + 1, ':') || std::find(keys, keys + keyCount, name) == keys + keyCount) continue;
        entries.emplace_back(name, ReadValue(i + 2, close));
    }
    return entries;
}

bool CScriptReader::TextOfValue(const Value& value, std::string& text) const
{
    if (value.kind == ValueKind::Text) {
        text.assign(value.text);
        return true;
    }
    if (value.kind != ValueKind::Name) return false;
    const auto found = m_variables.find(std::string(value.text));
    if (found == m_variables.end() || !found->second.isText) return false;
    text = found->second.text;
    return true;
}

bool CScriptReader::KeyOfValue(const Value& value, const std::string_view* keys, std::size_t keyCount, std::string& text) const
{
    if (value.kind == ValueKind::Object) {
        const auto entries = ObjectEntries(value.token, keys, keyCount);
        return !entries.empty() && TextOfValue(entries.front().second, text);
    }
    if (value.kind != ValueKind::Name) return false;
    const auto found = m_variables.find(std::string(value.text));
    if (found == m_variables.end()) return false;
    for (std::size_t k = 0; k < keyCount; ++k) {
        for (const auto& [key, keyText] : found->second.keys) {
            if (key == keys[k]) {
                text = keyText;
                return true;
            }
        }
    }
    return false;
}

void CScriptReader::ReadCalls(std::vector<ScriptMovie>& movies)
{
    for (std::size_t i = 0; i < m_tokens.size(); ++i) {
        const Token& token = m_tokens[i];
        if (token.kind == Kind::Name && IsPunct(i + 1, '=') && !IsPunct(i + 2, '=') && !(i > 0 && IsPunct(i - 1, '.'))) {
            Assignment(i);
        } else if (token.kind == Kind::Name && IsPunct(i + 1, '+') && IsPunct(i + 2, '=') && !(i > 0 && IsPunct(i - 1, '.'))) {
            m_variables.erase(std::string(NameOf(i)));   // "x += ...": no longer a known literal
        } else if (IsPunct(i, '(') && i > 0 && m_tokens[i - 1].kind == Kind::Name) {
            Call(i, movies);
        }
    }
}

void CScriptReader::Assignment(std::size_t name)
{
    // A page sets a few dozen variables; past this bound new ones are not remembered.
    constexpr std::size_t kMostVariables = 4096;
    const std::string key(NameOf(name));
    const Value value = ReadValue(name + 2, m_tokens.size());
    Variable variable;
    if (value.kind == ValueKind::Text) {
        variable.isText = true;
        variable.text.assign(value.text);
    } else if (value.kind == ValueKind::Object) {
        for (const auto& [movieKey, keyValue] : ObjectEntries(value.token, kMovieKeys, std::size(kMovieKeys))) {
            std::string text;
            if (TextOfValue(keyValue, text)) variable.keys.emplace_back(movieKey, text);
        }
    }
    if (value.kind != ValueKind::Text && variable.keys.empty()) {
        m_variables.erase(key);
        return;
    }
    if (m_variables.size() < kMostVariables || m_variables.count(key) != 0) m_variables[key] = std::move(variable);
}

void CScriptReader::Call(std::size_t open, std::vector<ScriptMovie>& movies)
{
    static constexpr CallRule kRules[] = {
        {"embedSWF", {}, false, 0, true, {}, false},                 // swfobject.embedSWF(url, id, ...)
        {"SWFObject", {}, true, 0, true, {}, false},                 // new SWFObject(url, id, ...), any namespace
        {"FlashObject", {}, true, 0, true, {}, false},               // its earlier name
        {"createSWF", {}, false, 0, false, {"data"}, false},         // swfobject.createSWF({data: url}, ...)
        {"create", "UFO", false, 0, false, {"movie"}, false},        // UFO.create({movie: url, ...}, id)
        {"flashembed", {}, false, 1, true, {"src"}, false},          // flashembed(id, url or {src: url})
        {"$f", {}, false, 1, true, {"src"}, false},                  // Flowplayer: $f(id, url or {src: url}, ...)
        {"flowplayer", {}, false, 1, true, {"src"}, false},
        {"setup", {}, false, 0, false, {"flashplayer"}, false},      // jwplayer(id).setup({flashplayer: url})
        {"flash", {}, false, 0, false, {"swf", "src"}, true},        // jQuery plug-ins: $(el).flash({swf: url})
    };
    // The names before "(": "a.b.c(" gives c, with b as what it is called on.
    std::size_t first = open - 1;
    std::string_view receiver;
    if (first >= 2 && IsPunct(first - 1, '.') && m_tokens[first - 2].kind == Kind::Name) receiver = NameOf(first - 2);
    while (first >= 2 && IsPunct(first - 1, '.') && m_tokens[first - 2].kind == Kind::Name) first -= 2;
    const bool isNew = first >= 1 && NameOf(first - 1) == "new";
    const std::string_view method = NameOf(open - 1);

    if (method == "AC_FL_RunContent") {
        RunContent(open, movies);
        return;
    }
    for (const CallRule& rule : kRules) {
        if (method != rule.method || (!rule.receiver.empty() && receiver != rule.receiver) || (rule.needsNew && !isNew)) continue;
        Arguments(open, rule.argument + 1, m_arguments);
        if (m_arguments.size() <= rule.argument) return;
        const Value& argument = m_arguments[rule.argument];
        const std::size_t keyCount = rule.keys[1].empty() ? (rule.keys[0].empty() ? 0 : 1) : 2;
        std::string text;
        if ((rule.takesText && TextOfValue(argument, text)) || (keyCount != 0 && KeyOfValue(argument, rule.keys, keyCount, text))) {
            movies.push_back({m_tokens[argument.token].offset, m_movieTexts.emplace_back(std::move(text)), rule.needsMovieExtension});
        }
        return;
    }
}

// AC_FL_RunContent('name', 'value', ...), the call the authoring tools of the period wrote: the
// last "src" or "movie" value is the movie, its ".swf" added as the helper script adds it.
void CScriptReader::RunContent(std::size_t open, std::vector<ScriptMovie>& movies)
{
    Arguments(open, m_tokens.size(), m_arguments);
    const Value* movie = nullptr;
    for (std::size_t k = 0; k + 1 < m_arguments.size(); k += 2) {
        std::string name;
        if (!TextOfValue(m_arguments[k], name)) continue;
        for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (name == "src" || name == "movie") movie = &m_arguments[k + 1];
    }
    std::string text;
    if (movie && TextOfValue(*movie, text))
        movies.push_back({m_tokens[movie->token].offset, m_movieTexts.emplace_back(WithMovieExtension(text)), false});
}
