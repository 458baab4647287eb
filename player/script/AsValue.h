#pragma once
// A script value: undefined, null, a boolean, a number, a string or an object, and the
// conversions that need no object (number text, string to number). Platform-neutral.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CAsObject;

// Strings are shared, never changed once made: a value copied a thousand times holds one text.
using AsString = std::shared_ptr<const std::string>;

enum class AsType : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

struct AsValue {
    AsType type = AsType::Undefined;
    bool boolean = false;
    double number = 0;
    AsString text;
    CAsObject* object = nullptr;  // the VM's heap owns it

    static AsValue Undefined() { return {}; }
    static AsValue Null()
    {
        AsValue value;
        value.type = AsType::Null;
        return value;
    }
    static AsValue Bool(bool b)
    {
        AsValue value;
        value.type = AsType::Boolean;
        value.boolean = b;
        return value;
    }
    static AsValue Number(double n)
    {
        AsValue value;
        value.type = AsType::Number;
        value.number = n;
        return value;
    }
    static AsValue String(AsString s)
    {
        AsValue value;
        value.type = AsType::String;
        value.text = std::move(s);
        return value;
    }
    // A null pointer gives null.
    static AsValue Object(CAsObject* o)
    {
        AsValue value;
        value.type = o ? AsType::Object : AsType::Null;
        value.object = o;
        return value;
    }

    bool IsUndefined() const { return type == AsType::Undefined; }
    bool IsNull() const { return type == AsType::Null; }
    bool IsNullish() const { return type == AsType::Undefined || type == AsType::Null; }
    bool IsString() const { return type == AsType::String; }
    bool IsNumber() const { return type == AsType::Number; }
    bool IsObject() const { return type == AsType::Object; }
    const std::string& Text() const;  // the string of a String value, else ""
};

// A number as the player prints it: up to 15 significant digits, exponent form outside
// 1e-5 ≤ |n| < 1e15 ("1e+15", "1.5e-7"), "NaN", "Infinity", "-Infinity", and 0 for -0.
std::string NumberToText(double number);
// In another radix (2 to 36) as Number.toString(radix) gives it: the integer part only.
std::string NumberToRadixText(double number, int radix);

// A string read as a number. From version 5 on the whole text (less white space around it) must
// be a decimal or 0x hexadecimal number, else NaN; the empty text is NaN from version 7 on and 0
// before. Version 4 reads the longest number at the start and makes anything else 0.
double TextToNumber(std::string_view text, int version);

// The 32-bit integer of the bitwise operators (modulo 2^32, NaN and infinities 0).
std::int32_t ToInt32(double number);
// A number cut to an int: NaN is 0, and values past the int range stop at its ends.
int ToClampedInt(double number);
std::uint32_t ToUint32(double number);

// UTF-8 helpers for the text functions of version 6 on (earlier movies count bytes).
std::size_t Utf8Length(std::string_view text);
// The byte offset of character `index` (the text's size past its end).
std::size_t Utf8Offset(std::string_view text, std::size_t index);
// The code of the character at byte offset `at`; `at` moves past it.
std::uint32_t Utf8Decode(std::string_view text, std::size_t& at);
void Utf8Append(std::string& out, std::uint32_t code);
