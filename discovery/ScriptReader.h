#pragma once
// Reads a page's scripts far enough to find the movies they embed: the markup inside their
// string literals (what document.write and innerHTML put into the page) and the arguments of
// the usual embedding calls (SWFObject, UFO, AC_FL_RunContent...). Platform-neutral; one pass
// over each script, however it is written.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "MarkupReader.h"

// A movie address that markup or a script call names, as written. The text stays where it is
// (in the page, or kept by whoever read it) as long as its reader lives.
struct ScriptMovie {
    std::size_t offset = 0;            // where the call or the value stands in the page
    std::string_view value;
    bool needsMovieExtension = false;  // the call takes other files too: only ".swf" counts
};

class CScriptReader {
public:
    // Reads one script that starts at `offset` in the page, and appends the movies its calls
    // name; their texts are kept here. A variable set to a string or an object literal is
    // remembered for the calls of later scripts of the same page.
    void Read(std::string_view script, std::size_t offset, bool visualBasic, std::vector<ScriptMovie>& movies);

    // The string literals of the script read last, decoded, in order, with a kJoinMark between
    // each two.
    std::string_view Markup() const { return m_strMarkup; }
    // Where the bytes of Markup() came from in the page.
    const CMarkupOrigins& Origins() const { return m_origins; }

private:
    enum class Kind : std::uint8_t { Name, String, Punct, Other };
    static constexpr std::uint32_t kUnmatched = 0xFFFFFFFF;
    struct Token {
        std::uint32_t offset;   // in the page
        std::uint32_t begin;    // a name: in the script; a string: in Markup()
        std::uint32_t end;
        std::uint32_t match;    // a bracket: the index of its partner, or kUnmatched
        Kind kind;
        char punct;
    };
    enum class ValueKind { None, Text, Name, Object, Other };
    struct Value {
        ValueKind kind = ValueKind::None;
        std::size_t token = 0;   // the first token of the value
        std::string_view text;   // Text: the literal; Name: the name
    };
    struct Variable {
        bool isText = false;
        std::string text;
        std::vector<std::pair<std::string, std::string>> keys;   // an object's movie keys
    };
    struct CallRule;

    void Lex(std::string_view script, std::size_t offset, bool visualBasic);
    std::size_t CommentEnd(std::size_t i, bool visualBasic, bool& lineStart) const;
    std::size_t LexString(std::size_t i, bool visualBasic);
    std::size_t LexEscape(std::size_t i);
    std::size_t RegexEnd(std::size_t i);
    bool RegexMayStart() const;
    void AddToken(Kind kind, std::size_t at, std::size_t begin, std::size_t end, char punct = '\0');
    void AddMarkup(std::string_view bytes, std::size_t at, bool fromOnePlace = false);

    bool IsPunct(std::size_t i, char c) const;
    std::string_view NameOf(std::size_t i) const;
    std::string_view TextOf(std::size_t i) const;
    std::size_t SkipToComma(std::size_t i, std::size_t limit) const;
    Value ReadValue(std::size_t i, std::size_t limit) const;
    void Arguments(std::size_t open, std::size_t most, std::vector<Value>& arguments) const;
    std::vector<std::pair<std::string_view, Value>> ObjectEntries(std::size_t open, const std::string_view* keys,
                                                                  std::size_t keyCount) const;
    bool TextOfValue(const Value& value, std::string& text) const;
    bool KeyOfValue(const Value& value, const std::string_view* keys, std::size_t keyCount, std::string& text) const;

    void ReadCalls(std::vector<ScriptMovie>& movies);
    void Assignment(std::size_t name);
    void Call(std::size_t open, std::vector<ScriptMovie>& movies);
    void RunContent(std::size_t open, std::vector<ScriptMovie>& movies);

    std::string_view m_script;
    std::size_t m_nOffset = 0;
    std::vector<Token> m_tokens;
    std::string m_strMarkup;
    CMarkupOrigins m_origins;
    std::size_t m_nRegexFailedUntil = 0;
    std::vector<std::uint32_t> m_openBrackets;   // brackets not closed yet
    std::vector<Value> m_arguments;              // of the call being read
    std::unordered_map<std::string, Variable> m_variables;
    std::deque<std::string> m_movieTexts;        // what the ScriptMovies given out point at
};
