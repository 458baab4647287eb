#include "CAsObject.h"

#include <algorithm>

namespace {

void TraceValue(const AsValue& value, std::vector<CGcCell*>& pending)
{
    if (value.object) pending.push_back(value.object);
}

} // namespace

void CAsObject::Trace(std::vector<CGcCell*>& pending) const
{
    if (m_pProto) pending.push_back(m_pProto);
    for (const auto& [key, property] : m_props) {
        TraceValue(property.value, pending);
        if (property.getter) pending.push_back(property.getter);
        if (property.setter) pending.push_back(property.setter);
    }
    for (const AsValue& element : m_elements) TraceValue(element, pending);
    TraceValue(m_primitive, pending);
    if (m_pFunction && m_pFunction->scope) pending.push_back(m_pFunction->scope);
    for (CAsObject* face : m_interfaces) pending.push_back(face);
    if (m_pHome) pending.push_back(m_pHome);
    if (m_pWatches) {
        for (const auto& [key, watch] : *m_pWatches) {
            pending.push_back(watch.callback);
            TraceValue(watch.userData, pending);
        }
    }
}

AsProperty* CAsObject::Find(const std::string& key)
{
    const auto found = m_props.find(key);
    return found == m_props.end() ? nullptr : &found->second;
}

AsProperty& CAsObject::Put(const std::string& key, const AsString& name, const AsValue& value)
{
    auto [it, added] = m_props.try_emplace(key);
    if (added) {
        it->second.name = name;
        it->second.order = m_nNextOrder++;
    }
    it->second.value = value;
    return it->second;
}

bool CAsObject::Remove(const std::string& key)
{
    return m_props.erase(key) > 0;
}

std::vector<const AsProperty*> CAsObject::Ordered(bool withHidden) const
{
    std::vector<const AsProperty*> list;
    list.reserve(m_props.size());
    for (const auto& [key, property] : m_props) {
        if (withHidden || !(property.flags & AS_DONT_ENUM)) list.push_back(&property);
    }
    std::sort(list.begin(), list.end(), [](const AsProperty* a, const AsProperty* b) { return a->order > b->order; });
    return list;
}

void CAsScope::Trace(std::vector<CGcCell*>& pending) const
{
    if (m_pObject) pending.push_back(m_pObject);
    if (m_pParent) pending.push_back(m_pParent);
}
