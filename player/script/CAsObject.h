#pragma once
// The script engine's heap cells: objects (plain, arrays, functions, wrappers, dates, movie
// clips) and scope links, which the collector marks and sweeps. Property lookup through
// prototypes, getters and clips lives in the VM; an object only keeps what it holds.
// Platform-neutral.
#include "AsValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CScriptVM;
class CAsObject;
class CAsScope;

class CGcCell {
public:
    virtual ~CGcCell() = default;
    // Adds every cell this one refers to.
    virtual void Trace(std::vector<CGcCell*>& pending) const = 0;
    // What the cell holds, in slots (the object itself, each property, each element).
    virtual std::size_t Slots() const { return 1; }

    bool m_bMarked = false;
};

// Property attributes as ASSetPropFlags sets them.
enum AsPropertyFlag : std::uint8_t { AS_DONT_ENUM = 1, AS_DONT_DELETE = 2, AS_READ_ONLY = 4 };

struct AsProperty {
    AsString name;  // as first written; the map key may be folded to lower case
    AsValue value;
    CAsObject* getter = nullptr;  // addProperty
    CAsObject* setter = nullptr;
    std::uint8_t flags = 0;
    std::uint32_t order = 0;  // creation order, for enumeration
};

using AsNative = AsValue (*)(CScriptVM& vm, const AsValue& self, std::vector<AsValue>& args, CAsObject* callee);

struct AsFunction {
    AsNative native = nullptr;
    // A script function: its body inside the shared byte code, the constant pool it was defined
    // under, its parameters (register 0: a named local) and the scope it closes over.
    std::shared_ptr<const std::vector<std::uint8_t>> code;
    std::size_t start = 0;
    std::size_t size = 0;
    std::shared_ptr<const std::vector<AsString>> pool;
    std::vector<std::pair<std::uint8_t, AsString>> params;
    std::uint8_t registerCount = 0;
    std::uint16_t flags = 0;
    bool isFunction2 = false;
    int version = 5;
    CAsScope* scope = nullptr;
    int target = 0;  // the timeline it was defined on
};

// Clip: m_nClip is the host's clip; Sound: the host's sound; Color: the clip it colours.
enum class AsKind : std::uint8_t { Plain, Function, Array, Boolean, Number, String, Date, Clip, Super, Sound, Color };

class CAsObject final : public CGcCell {
public:
    explicit CAsObject(AsKind kind, CAsObject* proto) : m_kind(kind), m_pProto(proto) {}

    void Trace(std::vector<CGcCell*>& pending) const override;
    std::size_t Slots() const override
    {
        return 1 + m_props.size() + m_elements.size() + (m_pWatches ? m_pWatches->size() : 0);
    }

    AsProperty* Find(const std::string& key);
    // Adds or replaces the value of an own property (attributes kept).
    AsProperty& Put(const std::string& key, const AsString& name, const AsValue& value);
    bool Remove(const std::string& key);
    // Own properties in enumeration order (newest first), skipping hidden ones unless asked.
    std::vector<const AsProperty*> Ordered(bool withHidden) const;
    const std::unordered_map<std::string, AsProperty>& Properties() const { return m_props; }

    AsKind m_kind;
    CAsObject* m_pProto;
    std::vector<AsValue> m_elements;       // Array
    AsValue m_primitive;                    // Boolean, Number, String, Date (its time); Super: `this`
    int m_nClip = 0;                        // Clip, Sound, Color: the host's id
    std::unique_ptr<AsFunction> m_pFunction;
    std::vector<CAsObject*> m_interfaces;   // a prototype's ImplementsOp list
    CAsObject* m_pHome = nullptr;           // Super: the prototype the running method came from

    // watch(): what a property's assignment calls first, by the property's key.
    struct Watch {
        CAsObject* callback = nullptr;
        AsValue userData;
        bool running = false;  // the callback's own assignments go through unwatched
    };
    std::unique_ptr<std::unordered_map<std::string, Watch>> m_pWatches;

private:
    std::unordered_map<std::string, AsProperty> m_props;
    std::uint32_t m_nNextOrder = 0;
};

// One link of a scope chain: an object searched for names, then the links outside it.
class CAsScope final : public CGcCell {
public:
    CAsScope(CAsObject* object, CAsScope* parent) : m_pObject(object), m_pParent(parent) {}
    void Trace(std::vector<CGcCell*>& pending) const override;

    CAsObject* m_pObject;
    CAsScope* m_pParent;
};
