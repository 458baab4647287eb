#pragma once
// Root of the classes that can be created by name through their run-time class record.
// Platform-neutral.

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // Links the record into the process-wide list that FromName searches.
    CRuntimeClass(const char* name, CObject* (*create)(), const CRuntimeClass* base);
    CRuntimeClass(const CRuntimeClass&) = delete;
    CRuntimeClass& operator=(const CRuntimeClass&) = delete;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    static const CRuntimeClass* FromName(const char* name);

private:
    const CRuntimeClass* m_pNext = nullptr;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const CRuntimeClass classCObject;
};

// The creation function a dynamically creatable class puts into its record.
template <class T>
CObject* CreateObjectOf() { return new T; }
