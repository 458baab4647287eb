#pragma once
// What the script engine's own files share: the two ways a run of byte code ends early, and
// small helpers of the built-in classes. Platform-neutral.
#include "CScriptVM.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A Throw action, or a built-in raising a script error: caught by the nearest Try.
struct ScriptThrow {
    AsValue value;
};
// A limit was passed: unwinds every script; the VM runs none again.
struct ScriptHalt {};

// The property number of a clip property name (_x … _ymouse, any case), or -1.
int ClipPropertyIndex(std::string_view name);
// "0", "1", … "999999999" as an array index.
bool ArrayIndex(std::string_view name, std::size_t& index);
// Only an http or https address, and only as the direct result of a click or key press.
bool MayOpenUrl(std::string_view url, bool byUser);

struct NativeMethod {
    const char* name;
    AsNative native;
};

template <std::size_t N> void DefineMethods(CScriptVM& vm, CAsObject* object, const NativeMethod (&methods)[N])
{
    for (const NativeMethod& method : methods) vm.DefineMethod(object, method.name, method.native);
}

inline AsValue Arg(const std::vector<AsValue>& args, std::size_t index)
{
    return index < args.size() ? args[index] : AsValue{};
}

struct CScriptVM::Frame {
    Code code;
    std::shared_ptr<const std::vector<AsString>> pool;
    CAsScope* scope = nullptr;  // innermost link; the outermost holds the timeline's clip
    int target = 0;             // the clip frame actions and unqualified names act on
    int origin = 0;             // the timeline the code belongs to
    AsValue self;
    std::vector<AsValue> registers;
    CAsObject* locals = nullptr;  // a function's activation; null on a timeline
    CAsObject* home = nullptr;    // the prototype a method was found on, for super
    CAsObject* callee = nullptr;  // the function running, with its arguments
    std::vector<AsValue> args;
    CAsObject* arguments = nullptr;  // made when first asked for
    bool noArguments = false;
    bool noSuper = false;
    bool byUser = false;
    std::size_t stackBase = 0;
    AsValue result;
};

enum Op : std::uint8_t {
    OP_END = 0x00, OP_NEXT_FRAME = 0x04, OP_PREV_FRAME = 0x05, OP_PLAY = 0x06, OP_STOP = 0x07,
    OP_TOGGLE_QUALITY = 0x08, OP_STOP_SOUNDS = 0x09, OP_ADD = 0x0A, OP_SUBTRACT = 0x0B, OP_MULTIPLY = 0x0C,
    OP_DIVIDE = 0x0D, OP_EQUALS = 0x0E, OP_LESS = 0x0F, OP_AND = 0x10, OP_OR = 0x11, OP_NOT = 0x12,
    OP_STRING_EQUALS = 0x13, OP_STRING_LENGTH = 0x14, OP_STRING_EXTRACT = 0x15, OP_POP = 0x17,
    OP_TO_INTEGER = 0x18, OP_GET_VARIABLE = 0x1C, OP_SET_VARIABLE = 0x1D, OP_SET_TARGET2 = 0x20,
    OP_STRING_ADD = 0x21, OP_GET_PROPERTY = 0x22, OP_SET_PROPERTY = 0x23, OP_CLONE_SPRITE = 0x24,
    OP_REMOVE_SPRITE = 0x25, OP_TRACE = 0x26, OP_START_DRAG = 0x27, OP_END_DRAG = 0x28, OP_STRING_LESS = 0x29,
    OP_THROW = 0x2A, OP_CAST = 0x2B, OP_IMPLEMENTS = 0x2C, OP_RANDOM = 0x30, OP_MB_STRING_LENGTH = 0x31,
    OP_CHAR_TO_ASCII = 0x32, OP_ASCII_TO_CHAR = 0x33, OP_GET_TIME = 0x34, OP_MB_STRING_EXTRACT = 0x35,
    OP_MB_CHAR_TO_ASCII = 0x36, OP_MB_ASCII_TO_CHAR = 0x37, OP_DELETE = 0x3A, OP_DELETE2 = 0x3B,
    OP_DEFINE_LOCAL = 0x3C, OP_CALL_FUNCTION = 0x3D, OP_RETURN = 0x3E, OP_MODULO = 0x3F, OP_NEW_OBJECT = 0x40,
    OP_DEFINE_LOCAL2 = 0x41, OP_INIT_ARRAY = 0x42, OP_INIT_OBJECT = 0x43, OP_TYPEOF = 0x44,
    OP_TARGET_PATH = 0x45, OP_ENUMERATE = 0x46, OP_ADD2 = 0x47, OP_LESS2 = 0x48, OP_EQUALS2 = 0x49,
    OP_TO_NUMBER = 0x4A, OP_TO_STRING = 0x4B, OP_PUSH_DUPLICATE = 0x4C, OP_STACK_SWAP = 0x4D,
    OP_GET_MEMBER = 0x4E, OP_SET_MEMBER = 0x4F, OP_INCREMENT = 0x50, OP_DECREMENT = 0x51,
    OP_CALL_METHOD = 0x52, OP_NEW_METHOD = 0x53, OP_INSTANCE_OF = 0x54, OP_ENUMERATE2 = 0x55,
    OP_BIT_AND = 0x60, OP_BIT_OR = 0x61, OP_BIT_XOR = 0x62, OP_BIT_LSHIFT = 0x63, OP_BIT_RSHIFT = 0x64,
    OP_BIT_URSHIFT = 0x65, OP_STRICT_EQUALS = 0x66, OP_GREATER = 0x67, OP_STRING_GREATER = 0x68,
    OP_EXTENDS = 0x69, OP_GOTO_FRAME = 0x81, OP_GET_URL = 0x83, OP_STORE_REGISTER = 0x87,
    OP_CONSTANT_POOL = 0x88, OP_WAIT_FOR_FRAME = 0x8A, OP_SET_TARGET = 0x8B, OP_GOTO_LABEL = 0x8C,
    OP_WAIT_FOR_FRAME2 = 0x8D, OP_DEFINE_FUNCTION2 = 0x8E, OP_TRY = 0x8F, OP_WITH = 0x94, OP_PUSH = 0x96,
    OP_JUMP = 0x99, OP_GET_URL2 = 0x9A, OP_DEFINE_FUNCTION = 0x9B, OP_IF = 0x9D, OP_CALL = 0x9E,
    OP_GOTO_FRAME2 = 0x9F,
};

enum Function2Flag : std::uint16_t {
    PRELOAD_THIS = 0x0001, SUPPRESS_THIS = 0x0002, PRELOAD_ARGUMENTS = 0x0004, SUPPRESS_ARGUMENTS = 0x0008,
    PRELOAD_SUPER = 0x0010, SUPPRESS_SUPER = 0x0020, PRELOAD_ROOT = 0x0040, PRELOAD_PARENT = 0x0080,
    PRELOAD_GLOBAL = 0x0100,
};

// Reads the fields of one action's payload; past its end it yields zeros and empty strings.
class CPayload {
public:
    CPayload(const std::uint8_t* data, std::size_t size) : m_pData(data), m_nSize(size) {}
    bool AtEnd() const { return m_nPos >= m_nSize; }
    std::size_t Position() const { return m_nPos; }
    std::uint8_t U8() { return m_nPos < m_nSize ? m_pData[m_nPos++] : (m_nPos++, 0); }
    std::uint16_t U16()
    {
        const std::uint16_t low = U8();
        return static_cast<std::uint16_t>(low | (U8() << 8));
    }
    std::uint32_t U32()
    {
        const std::uint32_t low = U16();
        return low | (static_cast<std::uint32_t>(U16()) << 16);
    }
    std::string String()
    {
        std::string text;
        while (m_nPos < m_nSize && m_pData[m_nPos] != 0) text += static_cast<char>(m_pData[m_nPos++]);
        ++m_nPos;
        return text;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
};


template <class T, class... Args> inline T* CScriptVM::Allocate(Args&&... args)
{
    ChargeSlots(1);
    m_cells.reserve(m_cells.size() + 1);
    T* cell = new T(std::forward<Args>(args)...);
    m_cells.push_back(cell);
    return cell;
}


// Keeps the list of running frames in step with the C++ stack.
class CFrameGuard {
public:
    CFrameGuard(std::vector<CScriptVM::Frame*>& frames, CScriptVM::Frame* frame) : m_frames(frames)
    {
        m_frames.push_back(frame);
    }
    ~CFrameGuard() { m_frames.pop_back(); }
    CFrameGuard(const CFrameGuard&) = delete;
    CFrameGuard& operator=(const CFrameGuard&) = delete;

private:
    std::vector<CScriptVM::Frame*>& m_frames;
};

