#pragma once
// The ActionScript 1 and 2 virtual machine: runs the byte code of DoAction, DoInitAction,
// button and clip-event actions against an IScriptHost, with its own heap (collected between
// frames) and hard limits on the work and memory a movie may take. Past a limit the VM stops
// running scripts for good and tells the host why; it never hangs and never throws out.
// Platform-neutral.
//
//   CScriptVM vm(host, movie.GetVersion());
//   each frame:  vm.RunActions(tag.code, clip);  vm.CallHandler(clip, "onEnterFrame");
//                vm.RunTimers();  vm.EndFrame();
#include "CAsObject.h"
#include "IScriptHost.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The fuzz target builds the engine with smaller limits, so that each input runs quickly.
#ifndef SCRIPT_MAX_ACTIONS_PER_FRAME
#define SCRIPT_MAX_ACTIONS_PER_FRAME 1000000
#endif
#ifndef SCRIPT_MAX_SLOTS
#define SCRIPT_MAX_SLOTS 1000000
#endif

struct ScriptLimits {
    static constexpr std::size_t kMaxActionsPerFrame = SCRIPT_MAX_ACTIONS_PER_FRAME;
    // Calls, and blocks of code run inside others (with, try, frames run by the Call action),
    // nested at once; each takes C++ stack.
    static constexpr int kMaxCallDepth = 256;
    // Objects, properties and array elements alive at once.
    static constexpr std::size_t kMaxSlots = SCRIPT_MAX_SLOTS;
    static constexpr std::size_t kMaxStringBytes = std::size_t{4} << 20;
    static constexpr std::size_t kMaxLiveStringBytes = std::size_t{128} << 20;
    static constexpr std::size_t kMaxStack = 1 << 20;
    static constexpr int kMaxProtoChain = 256;
};

class CScriptVM;

// Counts one level of nesting while it lives; past the limit the VM halts.
class CNestingGuard {
public:
    explicit CNestingGuard(CScriptVM& vm);
    ~CNestingGuard();
    CNestingGuard(const CNestingGuard&) = delete;
    CNestingGuard& operator=(const CNestingGuard&) = delete;

private:
    CScriptVM& m_vm;
};

class CScriptVM {
    friend class CNestingGuard;

public:
    using Code = std::shared_ptr<const std::vector<std::uint8_t>>;

    CScriptVM(IScriptHost& host, int version);
    ~CScriptVM();
    CScriptVM(const CScriptVM&) = delete;
    CScriptVM& operator=(const CScriptVM&) = delete;

    // Runs a block of actions on a clip's timeline; `byUser` when a click or key press caused it.
    void RunActions(const Code& code, int clip, bool byUser = false);
    // Calls the clip's method `name` (an event handler) if it has one; false when it has none.
    bool CallHandler(int clip, const std::string& name, bool byUser = false);
    // Tells the listeners of Key or Mouse (`source`) of an event such as onKeyDown or onMouseMove.
    void Broadcast(const std::string& source, const std::string& event, bool byUser = false);
    // Runs the setInterval callbacks that are due by the host's clock.
    void RunTimers();
    // Between frames: collects garbage and gives the next frame its budget.
    void EndFrame();
    // The host removed a clip: its object goes once nothing else refers to it.
    void ClipRemoved(int clip);
    // A clip the timeline placed or a script attached: the class registered for its symbol's
    // export name (if any) becomes its prototype, `init`'s properties are copied onto it, and
    // the class's constructor runs on it.
    void ConstructClip(int clip, const std::string& exportName, const AsValue& init = {});
    // Whether the clip (or its class) holds a function of this name; no getter runs.
    bool HasFunction(int clip, std::string_view name);
    // A property of the clip (or its class) as a truth value, `fallback` when it has none or
    // only a getter; no getter runs.
    bool ReadFlag(int clip, std::string_view name, bool fallback);
    // A variable as a text field bound to it shows it, read and written in the clip's scope
    // (`path` as the field names it: "score", "_root.score", "/:score"). False when undefined.
    bool ReadVariable(int clip, const std::string& path, std::string& text);
    void WriteVariable(int clip, const std::string& path, const std::string& text);
    // Stops all scripts for good, as passing a limit does; the host hears why.
    void StopScripts(const std::string& why);

    bool IsStopped() const { return m_bStopped; }
    const std::string& StopReason() const { return m_strStopReason; }
    std::size_t LiveCells() const { return m_cells.size(); }

    // For the built-in classes.
    int Version() const { return m_nVersion; }
    IScriptHost& Host() { return m_host; }
    std::string Key(std::string_view name) const;
    AsString Str(std::string text);
    AsValue StrValue(std::string text) { return AsValue::String(Str(std::move(text))); }
    AsValue Call(const AsValue& function, const AsValue& self, std::vector<AsValue>& args);
    AsValue Construct(const AsValue& constructor, std::vector<AsValue>& args);
    AsValue GetMember(const AsValue& object, std::string_view name);
    void SetMember(const AsValue& object, std::string_view name, const AsValue& value);
    void ClearRunning(CAsObject* object, const std::string& key);
    bool HasProperty(CAsObject* object, std::string_view name);
    double ToNumber(const AsValue& value);
    std::string ToText(const AsValue& value);
    AsValue ToStringValue(const AsValue& value);
    bool ToBoolean(const AsValue& value);
    AsValue ToPrimitive(const AsValue& value, bool preferText);
    std::string TypeOf(const AsValue& value);
    bool InstanceOf(const AsValue& object, const AsValue& constructor);
    CAsObject* ToObject(const AsValue& value);

    CAsObject* NewObject(AsKind kind = AsKind::Plain, CAsObject* proto = nullptr);
    CAsObject* NewArray(std::vector<AsValue> elements = {});
    CAsObject* NewNative(AsNative native, CAsObject* proto = nullptr);
    // Sets a built-in property, hidden from for..in.
    void Define(CAsObject* object, std::string_view name, const AsValue& value, std::uint8_t flags = AS_DONT_ENUM);
    void DefineMethod(CAsObject* object, std::string_view name, AsNative native);
    CAsObject* ClipObject(int clip);
    void SetArrayLength(CAsObject* array, std::size_t length);
    // A script error: ends the running block as a Throw action would.
    [[noreturn]] void ThrowValue(const AsValue& value);
    // Stops all scripts for good with the reason the host shows.
    [[noreturn]] void Halt(const std::string& why);
    std::uint32_t Random();
    void ChargeSlots(std::size_t count);
    // Calls `function` (or self's `method`) every `interval` ms of the host's clock; a timer made
    // `once` runs at the next RunTimers and is gone.
    int NewTimer(const AsValue& self, const AsValue& function, const std::string& method, double interval,
                 std::vector<AsValue> args, bool once = false);
    void ClearTimer(int id);
    std::string ClipPath(int clip, bool slashes);
    // A target given as a clip, a path text or a name, from the running code's target.
    int ResolveTargetValue(const AsValue& target);
    int CurrentTarget() const;
    bool IsByUser() const;

    CAsObject* m_pGlobal = nullptr;
    CAsObject* m_pObjectProto = nullptr;
    CAsObject* m_pFunctionProto = nullptr;
    CAsObject* m_pArrayProto = nullptr;
    CAsObject* m_pStringProto = nullptr;
    CAsObject* m_pNumberProto = nullptr;
    CAsObject* m_pBooleanProto = nullptr;
    CAsObject* m_pDateProto = nullptr;
    CAsObject* m_pClipProto = nullptr;
    CAsObject* m_pErrorProto = nullptr;
    CAsObject* m_pTextFieldProto = nullptr;
    // Set while a constructor runs for `new`, so that a built-in class fills in `this`.
    bool m_bConstructing = false;

    struct Frame;  // one running block of byte code

private:
    enum class Flow { Normal, Return, Jump };
    struct Timer {
        AsValue self;
        AsValue function;
        std::string method;
        double interval = 0;
        double due = 0;
        std::vector<AsValue> args;
        bool once = false;
    };

    template <class T, class... Args> T* Allocate(Args&&... args);
    void InstallBuiltins();
    void RunTopLevel(const Code& code, std::size_t begin, std::size_t end, int clip, const AsValue& self, bool byUser);
    Flow Execute(Frame& frame, std::size_t begin, std::size_t end, std::size_t& jump);
    bool Step(Frame& frame, std::uint8_t op, const std::uint8_t* payload, std::size_t length, std::size_t& pc,
              std::size_t end, Flow& flow, std::size_t& jump);
    bool StepSwf4(Frame& frame, std::uint8_t op, const std::uint8_t* payload, std::size_t length);
    bool StepSwf5(Frame& frame, std::uint8_t op);
    Flow RunTry(Frame& frame, const std::uint8_t* payload, std::size_t length, std::size_t& pc, std::size_t end,
                std::size_t& jump);
    void Push(AsValue value);
    AsValue Pop(const Frame& frame);
    AsValue& Top(const Frame& frame);
    void PushData(Frame& frame, const std::uint8_t* payload, std::size_t length);
    void DefineFunction(Frame& frame, const std::uint8_t* payload, std::size_t length, std::size_t& pc,
                        std::size_t end, bool v2);
    CAsObject* Arguments(Frame& frame);
    CAsObject* Super(Frame& frame);
    AsValue CallScript(CAsObject* function, const AsValue& self, std::vector<AsValue>& args, CAsObject* home);
    AsValue CallWithHome(const AsValue& function, const AsValue& self, std::vector<AsValue>& args, CAsObject* home);
    std::vector<AsValue> PopArgs(const Frame& frame);

    AsValue GetVariable(Frame& frame, std::string_view name);
    void SetVariable(Frame& frame, std::string_view name, const AsValue& value);
    // Runs `work` in a block of the clip's own scope, as a bound text field reads and writes its
    // variable; a script error inside ends only that work. False when nothing ran or a limit
    // stopped the scripts.
    bool InClipScope(int clip, const std::function<void(Frame&)>& work);
    AsValue LookUp(Frame& frame, std::string_view name, CAsObject** holder);
    bool SpecialName(Frame& frame, std::string_view name, AsValue& value);
    CAsObject* ScopeObject(const Frame& frame, const CAsScope* link);
    AsValue ResolvePath(Frame& frame, std::string_view path, bool& found);
    int ResolveTarget(Frame& frame, std::string_view path);
    int ClipOf(const AsValue& value);
    bool FindProperty(CAsObject* object, const std::string& key, AsProperty*& property, CAsObject*& owner);
    AsValue GetOwnOrInherited(CAsObject* object, const std::string& key, const AsValue& self, bool& found,
                              CAsObject** owner = nullptr);
    bool GetClipProperty(int clip, std::string_view name, AsValue& value);
    bool SetClipProperty(int clip, std::string_view name, const AsValue& value);
    bool GetTextProperty(int field, std::string_view name, AsValue& value);
    bool SetTextProperty(int field, std::string_view name, const AsValue& value);
    AsValue GetPropertyByIndex(int clip, int index);
    void SetPropertyByIndex(int clip, int index, const AsValue& value);
    void Enumerate(const AsValue& object);
    void GotoFrame(Frame& frame, const AsValue& which, bool play, int bias);
    void GetUrl(Frame& frame, const std::string& url, const std::string& window, int flags);
    bool LooseEquals(const AsValue& a, const AsValue& b);
    bool StrictEquals(const AsValue& a, const AsValue& b);
    AsValue Less(const AsValue& a, const AsValue& b);
    AsValue Add2(const AsValue& a, const AsValue& b);
    AsValue Truth(const Frame& frame, bool value);
    void CountAction();
    void Collect();
    void Mark(std::vector<CGcCell*>& pending);
    void ReportStop();

    IScriptHost& m_host;
    int m_nVersion;
    // Declared before everything that holds strings, which count themselves in it.
    std::size_t m_nLiveStringBytes = 0;
    std::vector<CGcCell*> m_cells;
    std::size_t m_nSlots = 0;
    std::vector<AsValue> m_stack;
    std::vector<Frame*> m_frames;  // running code, innermost last
    std::unordered_map<int, CAsObject*> m_clips;
    std::unordered_map<int, Timer> m_timers;
    int m_nNextTimer = 1;
    std::size_t m_nActions = 0;
    int m_nDepth = 0;
    bool m_bStopped = false;
    bool m_bReported = false;
    std::string m_strStopReason;
    std::mt19937 m_random;
};

// Built-in classes and functions, installed on the VM's global object.
void InstallObjectClasses(CScriptVM& vm);
void InstallArrayClass(CScriptVM& vm);
void InstallStringClass(CScriptVM& vm);
void InstallDateClass(CScriptVM& vm);
void InstallClipClass(CScriptVM& vm);
void InstallMediaClasses(CScriptVM& vm);
void InstallNetworkClasses(CScriptVM& vm);
