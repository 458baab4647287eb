#pragma once
// Root of the classes that are created through their run-time class record (the workers, the
// frame, the view and the document).
// Platform-neutral.

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CRuntimeClass(const char* name, CObject* (*create)(), const CRuntimeClass* base)
        : m_lpszClassName(name), m_pfnCreateObject(create), m_pBaseClass(base)
    {
    }
    CRuntimeClass(const CRuntimeClass&) = delete;
    CRuntimeClass& operator=(const CRuntimeClass&) = delete;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }

    static const CRuntimeClass classCObject;
};

// The creation function a dynamically creatable class puts into its record.
template <class T>
CObject* CreateObjectOf() { return new T; }
