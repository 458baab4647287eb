#include "CObject.h"

#include <cstring>

namespace {
// Function-local so that records defined in other files' static initialisers can link in
// whatever the order of initialisation.
const CRuntimeClass*& ListHead()
{
    static const CRuntimeClass* head = nullptr;
    return head;
}
}

CRuntimeClass::CRuntimeClass(const char* name, CObject* (*create)(), const CRuntimeClass* base)
    : m_lpszClassName(name), m_pfnCreateObject(create), m_pBaseClass(base), m_pNext(ListHead())
{
    ListHead() = this;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == base) return true;
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* name)
{
    if (!name) return nullptr;
    for (const CRuntimeClass* cls = ListHead(); cls; cls = cls->m_pNext)
        if (std::strcmp(cls->m_lpszClassName, name) == 0) return cls;
    return nullptr;
}

const CRuntimeClass CObject::classCObject("CObject", nullptr, nullptr);
