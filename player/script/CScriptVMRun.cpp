// The byte code interpreter of CScriptVM, its scope chains, paths and timers, and the collector.
#include "CScriptVM.h"

#include "ScriptInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

} // namespace

// ---- running ----

void CScriptVM::RunActions(const Code& code, int clip, bool byUser)
{
    if (m_bStopped || !code || !m_host.IsAlive(clip)) return;
    RunTopLevel(code, 0, code->size(), clip, AsValue{}, byUser);
}

void CScriptVM::RunTopLevel(const Code& code, std::size_t begin, std::size_t end, int clip, const AsValue& self,
                            bool byUser)
{
    const bool outermost = m_frames.empty();
    try {
        CNestingGuard nesting(*this);
        CAsObject* timeline = ClipObject(clip);
        Frame frame;
        frame.code = code;
        frame.scope = Allocate<CAsScope>(timeline, nullptr);
        frame.target = frame.origin = clip;
        frame.self = self.IsUndefined() ? AsValue::Object(timeline) : self;
        frame.registers.resize(4);
        frame.byUser = byUser || IsByUser();
        frame.stackBase = m_stack.size();
        CFrameGuard guard(m_frames, &frame);
        std::size_t jump = 0;
        try {
            Execute(frame, begin, end, jump);
        } catch (const ScriptThrow&) {
            // An exception no Try caught ends this block of actions only.
        }
        m_stack.resize(frame.stackBase);
    } catch (const ScriptHalt&) {
        if (!outermost) throw;
        m_stack.clear();
        ReportStop();
    }
}

bool CScriptVM::CallHandler(int clip, const std::string& name, bool byUser)
{
    if (m_bStopped || !m_host.IsAlive(clip)) return false;
    bool called = false;
    try {
        CAsObject* object = ClipObject(clip);
        const AsValue self = AsValue::Object(object);
        const AsValue handler = GetMember(self, name);
        if (!handler.IsObject() || handler.object->m_kind != AsKind::Function) return false;
        Frame frame;
        frame.target = frame.origin = clip;
        frame.self = self;
        frame.byUser = byUser;
        CFrameGuard guard(m_frames, &frame);
        std::vector<AsValue> none;
        try {
            Call(handler, self, none);
        } catch (const ScriptThrow&) {
        }
        called = true;
    } catch (const ScriptHalt&) {
        m_stack.clear();
        ReportStop();
    }
    return called;
}

int CScriptVM::NewTimer(const AsValue& self, const AsValue& function, const std::string& method, double interval,
                        std::vector<AsValue> args, bool once)
{
    Timer timer;
    timer.self = self;
    timer.function = function;
    timer.method = method;
    timer.interval = std::isfinite(interval) && interval > 1 ? interval : 1;
    timer.due = m_host.Timer() + timer.interval;
    timer.args = std::move(args);
    timer.once = once;
    if (once) timer.due = m_host.Timer();
    const int id = m_nNextTimer++;
    m_timers.emplace(id, std::move(timer));
    return id;
}

void CScriptVM::ClearTimer(int id)
{
    m_timers.erase(id);
}

void CScriptVM::RunTimers()
{
    if (m_bStopped) return;
    const double now = m_host.Timer();
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now) due.push_back(id);
    }
    std::sort(due.begin(), due.end());
    for (int id : due) {
        auto found = m_timers.find(id);
        if (found == m_timers.end() || m_bStopped) continue;
        Timer& timer = found->second;
        // Each timer fires at most once a call; one that fell behind starts again from now.
        timer.due = std::max(timer.due + timer.interval, now);
        const AsValue self = timer.self;
        const AsValue function = timer.function;
        const std::string method = timer.method;
        std::vector<AsValue> args = timer.args;
        if (timer.once) m_timers.erase(found);
        try {
            Frame frame;
            frame.target = frame.origin = ClipOf(self) ? ClipOf(self) : m_host.Level(0);
            frame.self = self;
            CFrameGuard guard(m_frames, &frame);
            const AsValue callee = method.empty() ? function : GetMember(self, method);
            try {
                Call(callee, self, args);
            } catch (const ScriptThrow&) {
            }
        } catch (const ScriptHalt&) {
            m_stack.clear();
            ReportStop();
        }
    }
}

void CScriptVM::EndFrame()
{
    m_nActions = 0;
    if (m_frames.empty()) Collect();
}

void CScriptVM::CountAction()
{
    if (++m_nActions > ScriptLimits::kMaxActionsPerFrame) Halt("a script ran too long");
}

// ---- the collector ----

void CScriptVM::Mark(std::vector<CGcCell*>& pending)
{
    for (CAsObject* root : {m_pGlobal, m_pObjectProto, m_pFunctionProto, m_pArrayProto, m_pStringProto,
                            m_pNumberProto, m_pBooleanProto, m_pDateProto, m_pClipProto, m_pErrorProto}) {
        if (root) pending.push_back(root);
    }
    for (const auto& [id, object] : m_clips) pending.push_back(object);
    auto value = [&pending](const AsValue& v) {
        if (v.object) pending.push_back(v.object);
    };
    for (const auto& [id, timer] : m_timers) {
        value(timer.self);
        value(timer.function);
        for (const AsValue& arg : timer.args) value(arg);
    }
    for (const AsValue& item : m_stack) value(item);
    while (!pending.empty()) {
        CGcCell* cell = pending.back();
        pending.pop_back();
        if (cell->m_bMarked) continue;
        cell->m_bMarked = true;
        cell->Trace(pending);
    }
}

void CScriptVM::Collect()
{
    std::vector<CGcCell*> pending;
    Mark(pending);
    std::size_t slots = 0;
    std::size_t kept = 0;
    for (CGcCell* cell : m_cells) {
        if (cell->m_bMarked) {
            cell->m_bMarked = false;
            slots += cell->Slots();
            m_cells[kept++] = cell;
        } else {
            delete cell;
        }
    }
    m_cells.resize(kept);
    m_nSlots = slots;
}

// ---- the stack ----

void CScriptVM::Push(AsValue value)
{
    if (m_stack.size() >= ScriptLimits::kMaxStack) Halt("a script's stack grew too large");
    m_stack.push_back(std::move(value));
}

AsValue CScriptVM::Pop(const Frame& frame)
{
    if (m_stack.size() <= frame.stackBase) return {};
    AsValue value = std::move(m_stack.back());
    m_stack.pop_back();
    return value;
}

AsValue& CScriptVM::Top(const Frame& frame)
{
    if (m_stack.size() <= frame.stackBase) Push({});
    return m_stack.back();
}

std::vector<AsValue> CScriptVM::PopArgs(const Frame& frame)
{
    const double count = ToNumber(Pop(frame));
    const std::size_t available = m_stack.size() - frame.stackBase;
    const std::size_t n = count > 0 ? std::min(static_cast<std::size_t>(std::min(count, 1e9)), available) : 0;
    std::vector<AsValue> args;
    args.reserve(n);
    for (std::size_t i = 0; i < n; ++i) args.push_back(Pop(frame));
    return args;
}

AsValue CScriptVM::Truth(const Frame&, bool value)
{
    // Version 4 movies have no booleans: comparisons give 1 or 0.
    return m_nVersion <= 4 ? AsValue::Number(value ? 1 : 0) : AsValue::Bool(value);
}

// ---- execution ----

CScriptVM::Flow CScriptVM::Execute(Frame& frame, std::size_t begin, std::size_t end, std::size_t& jump)
{
    const std::vector<std::uint8_t>& bytes = *frame.code;
    end = std::min(end, bytes.size());
    std::size_t pc = begin;
    while (pc < end) {
        CountAction();
        const std::uint8_t op = bytes[pc];
        if (op == OP_END) return Flow::Normal;
        std::size_t length = 0;
        std::size_t next = pc + 1;
        if (op >= 0x80) {
            if (pc + 3 > end) return Flow::Normal;
            length = bytes[pc + 1] | (bytes[pc + 2] << 8);
            next = pc + 3 + length;
            if (next > end) return Flow::Normal;
        }
        const std::uint8_t* payload = bytes.data() + (op >= 0x80 ? pc + 3 : pc + 1);
        pc = next;
        Flow flow = Flow::Normal;
        if (Step(frame, op, payload, length, pc, end, flow, jump)) {
            if (flow == Flow::Return) return flow;
            if (flow == Flow::Jump) {
                if (jump < begin || jump > end) return Flow::Jump;
                pc = jump;
            }
        }
    }
    return Flow::Normal;
}

// One action. `pc` is already past it; actions with a body (With, Try, DefineFunction) move it
// past the body. True when the action changed the flow (`flow` says how).
bool CScriptVM::Step(Frame& frame, std::uint8_t op, const std::uint8_t* payload, std::size_t length, std::size_t& pc,
                     std::size_t end, Flow& flow, std::size_t& jump)
{
    switch (op) {
    case OP_JUMP:
    case OP_IF: {
        CPayload data(payload, length);
        const auto offset = static_cast<std::int16_t>(data.U16());
        if (op == OP_IF && !ToBoolean(Pop(frame))) return false;
        const std::ptrdiff_t target = static_cast<std::ptrdiff_t>(pc) + offset;
        jump = target < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(target);
        flow = Flow::Jump;
        return true;
    }
    case OP_RETURN:
        frame.result = Pop(frame);
        flow = Flow::Return;
        return true;
    case OP_WITH: {
        CPayload data(payload, length);
        const std::size_t size = std::min<std::size_t>(data.U16(), end - pc);
        const AsValue object = Pop(frame);
        const std::size_t bodyEnd = pc + size;
        CAsScope* outer = frame.scope;
        CAsObject* scopeObject = object.IsObject() ? object.object : ToObject(object);
        if (scopeObject) frame.scope = Allocate<CAsScope>(scopeObject, outer);
        Flow inner;
        try {
            CNestingGuard nesting(*this);
            inner = Execute(frame, pc, bodyEnd, jump);
        } catch (...) {
            frame.scope = outer;
            throw;
        }
        frame.scope = outer;
        pc = bodyEnd;
        if (inner == Flow::Normal) return false;
        flow = inner;
        return true;
    }
    case OP_TRY: {
        flow = RunTry(frame, payload, length, pc, end, jump);
        return flow != Flow::Normal;
    }
    case OP_DEFINE_FUNCTION:
    case OP_DEFINE_FUNCTION2: DefineFunction(frame, payload, length, pc, end, op == OP_DEFINE_FUNCTION2); return false;
    default: break;
    }
    if (StepSwf4(frame, op, payload, length)) return false;
    StepSwf5(frame, op);
    return false;
}

CScriptVM::Flow CScriptVM::RunTry(Frame& frame, const std::uint8_t* payload, std::size_t length, std::size_t& pc,
                                  std::size_t end, std::size_t& jump)
{
    CPayload data(payload, length);
    const std::uint8_t flags = data.U8();
    const std::size_t trySize = data.U16();
    const std::size_t catchSize = data.U16();
    const std::size_t finallySize = data.U16();
    const bool inRegister = flags & 0x04;
    const std::uint8_t catchRegister = inRegister ? data.U8() : 0;
    const std::string catchName = inRegister ? std::string() : data.String();
    const std::size_t tryStart = pc;
    const std::size_t catchStart = std::min(tryStart + trySize, end);
    const std::size_t finallyStart = std::min(catchStart + catchSize, end);
    const std::size_t after = std::min(finallyStart + finallySize, end);
    pc = after;

    CNestingGuard nesting(*this);
    CAsScope* outerScope = frame.scope;
    const int outerTarget = frame.target;
    const std::size_t stackHeight = m_stack.size();
    Flow flow = Flow::Normal;
    std::size_t tryJump = 0;
    bool pending = false;
    AsValue thrown;
    // Runs one block; an exception leaves the frame as it was before the try.
    auto guarded = [&](std::size_t from, std::size_t to) {
        try {
            flow = Execute(frame, from, to, tryJump);
        } catch (const ScriptThrow& error) {
            frame.scope = outerScope;
            frame.target = outerTarget;
            m_stack.resize(std::max(stackHeight, frame.stackBase));
            thrown = error.value;
            pending = true;
        }
    };
    guarded(tryStart, catchStart);
    if (pending && (flags & 0x01)) {
        pending = false;
        if (inRegister) {
            if (catchRegister < frame.registers.size()) frame.registers[catchRegister] = thrown;
        } else {
            SetMember(AsValue::Object(frame.locals ? frame.locals : ClipObject(frame.target)), catchName, thrown);
        }
        guarded(catchStart, finallyStart);
    }
    if (flags & 0x02) {
        const AsValue result = frame.result;
        std::size_t finallyJump = 0;
        const Flow finallyFlow = Execute(frame, finallyStart, after, finallyJump);
        if (finallyFlow != Flow::Normal) {
            // A return or jump out of the finally block wins over everything before it.
            jump = finallyJump;
            return finallyFlow;
        }
        frame.result = result;
    }
    if (pending) throw ScriptThrow{thrown};
    jump = tryJump;
    return flow;
}

void CScriptVM::PushData(Frame& frame, const std::uint8_t* payload, std::size_t length)
{
    CPayload data(payload, length);
    while (!data.AtEnd()) {
        const std::uint8_t type = data.U8();
        switch (type) {
        case 0: Push(StrValue(data.String())); break;
        case 1: {
            const std::uint32_t bits = data.U32();
            float number;
            std::memcpy(&number, &bits, sizeof number);
            Push(AsValue::Number(number));
            break;
        }
        case 2: Push(AsValue::Null()); break;
        case 3: Push(AsValue::Undefined()); break;
        case 4: {
            const std::uint8_t index = data.U8();
            Push(index < frame.registers.size() ? frame.registers[index] : AsValue{});
            break;
        }
        case 5: Push(AsValue::Bool(data.U8() != 0)); break;
        case 6: {
            // The high half of the double comes first.
            const std::uint64_t high = data.U32();
            const std::uint64_t low = data.U32();
            const std::uint64_t bits = (high << 32) | low;
            double number;
            std::memcpy(&number, &bits, sizeof number);
            Push(AsValue::Number(number));
            break;
        }
        case 7: Push(AsValue::Number(static_cast<std::int32_t>(data.U32()))); break;
        case 8:
        case 9: {
            const std::size_t index = type == 8 ? data.U8() : data.U16();
            Push(frame.pool && index < frame.pool->size() ? AsValue::String((*frame.pool)[index]) : AsValue{});
            break;
        }
        default: return;  // an unknown type ends the push: its size is unknown
        }
    }
}

void CScriptVM::DefineFunction(Frame& frame, const std::uint8_t* payload, std::size_t length, std::size_t& pc,
                               std::size_t end, bool v2)
{
    CPayload data(payload, length);
    auto function = std::make_unique<AsFunction>();
    const std::string name = data.String();
    const std::size_t count = data.U16();
    if (v2) {
        function->registerCount = data.U8();
        function->flags = data.U16();
    }
    for (std::size_t i = 0; i < count && !data.AtEnd(); ++i) {
        const std::uint8_t reg = v2 ? data.U8() : 0;
        function->params.emplace_back(reg, Str(data.String()));
    }
    const std::size_t size = std::min<std::size_t>(data.U16(), end - pc);
    function->isFunction2 = v2;
    function->code = frame.code;
    function->start = pc;
    function->size = size;
    function->pool = frame.pool;
    function->version = m_nVersion;
    function->scope = frame.scope;
    function->target = frame.origin;
    pc += size;

    CAsObject* object = Allocate<CAsObject>(AsKind::Function, m_pFunctionProto);
    object->m_pFunction = std::move(function);
    CAsObject* prototype = NewObject();
    Define(prototype, "constructor", AsValue::Object(object));
    Define(object, "prototype", AsValue::Object(prototype));
    const AsValue value = AsValue::Object(object);
    if (name.empty()) {
        Push(value);
    } else if (frame.locals) {
        SetMember(AsValue::Object(frame.locals), name, value);
    } else {
        SetMember(AsValue::Object(ClipObject(frame.target)), name, value);
    }
}

CAsObject* CScriptVM::Arguments(Frame& frame)
{
    if (!frame.callee || frame.noArguments) return nullptr;
    if (!frame.arguments) {
        frame.arguments = NewArray(frame.args);
        Define(frame.arguments, "callee", AsValue::Object(frame.callee));
    }
    return frame.arguments;
}

CAsObject* CScriptVM::Super(Frame& frame)
{
    if (!frame.callee || frame.noSuper) return nullptr;
    const AsValue& self = frame.self;
    // Methods look above the prototype they were found on; a plain call above this object's class.
    CAsObject* above = frame.home ? frame.home->m_pProto
                                  : (self.IsObject() && self.object->m_pProto ? self.object->m_pProto->m_pProto : nullptr);
    CAsObject* super = NewObject(AsKind::Super, above);
    super->m_pProto = above;
    super->m_primitive = self;
    super->m_pHome = frame.home;
    return super;
}

AsValue CScriptVM::CallScript(CAsObject* callee, const AsValue& self, std::vector<AsValue>& args, CAsObject* home)
{
    const AsFunction& function = *callee->m_pFunction;
    Frame frame;
    frame.code = function.code;
    frame.pool = function.pool;
    frame.origin = m_host.IsAlive(function.target) ? function.target : CurrentTarget();
    frame.target = frame.origin;
    frame.self = self;
    frame.byUser = IsByUser();
    frame.home = home;
    CAsObject* locals = Allocate<CAsObject>(AsKind::Plain, nullptr);
    frame.locals = locals;
    frame.scope = Allocate<CAsScope>(locals, function.scope);
    frame.registers.resize(function.isFunction2 ? std::max<std::size_t>(function.registerCount, 1) : 4);

    const std::uint16_t flags = function.isFunction2 ? function.flags : 0;
    // `arguments` and `super` are made when first named, unless preloaded into registers.
    frame.callee = callee;
    frame.args = args;
    frame.noArguments = flags & SUPPRESS_ARGUMENTS;
    frame.noSuper = (flags & SUPPRESS_SUPER) || m_nVersion < 6;
    if (function.isFunction2) {
        std::size_t reg = 1;
        const bool alive = m_host.IsAlive(frame.origin);
        for (const std::uint16_t flag : {PRELOAD_THIS, PRELOAD_ARGUMENTS, PRELOAD_SUPER, PRELOAD_ROOT, PRELOAD_PARENT,
                                         PRELOAD_GLOBAL}) {
            if (!(flags & flag) || reg >= frame.registers.size()) continue;
            AsValue& value = frame.registers[reg++];
            switch (flag) {
            case PRELOAD_THIS: value = self; break;
            case PRELOAD_ARGUMENTS: value = AsValue::Object(Arguments(frame)); break;
            case PRELOAD_SUPER: value = AsValue::Object(Super(frame)); break;
            case PRELOAD_ROOT:
                if (alive) value = AsValue::Object(ClipObject(m_host.Level(m_host.LevelOf(frame.origin))));
                break;
            case PRELOAD_PARENT: {
                const int parent = alive ? m_host.Parent(frame.origin) : 0;
                if (parent) value = AsValue::Object(ClipObject(parent));
                break;
            }
            default: value = AsValue::Object(m_pGlobal); break;
            }
        }
    }
    const AsValue localsValue = AsValue::Object(locals);
    for (std::size_t i = 0; i < function.params.size(); ++i) {
        const auto& [reg, name] = function.params[i];
        const AsValue arg = i < args.size() ? args[i] : AsValue{};
        if (reg != 0) {
            if (reg < frame.registers.size()) frame.registers[reg] = arg;
        } else {
            SetMember(localsValue, *name, arg);
        }
    }

    frame.stackBase = m_stack.size();
    CFrameGuard guard(m_frames, &frame);
    std::size_t jump = 0;
    try {
        Execute(frame, function.start, function.start + function.size, jump);
    } catch (...) {
        m_stack.resize(std::min(m_stack.size(), frame.stackBase));
        throw;
    }
    m_stack.resize(frame.stackBase);
    return frame.result;
}
