// Core classes of the framework: run-time classes, CObject, CString, the object
// array, and (in afxarch.h) files and archives.
#pragma once

#include <windows.h>

#include <vector>

#include "afxstr.h"

#ifndef AFXAPI
#define AFXAPI __stdcall
#endif

class CObject;
class CArchive;

// A class's record: its name, its base and, for serialisable classes, the
// schema and how to create an object. Serialisable classes are also chained in
// one list from program start, so that an archive finds them by name.
struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                         // 0xFFFF for classes that cannot be stored
    CObject*(PASCAL* m_pfnCreateObject)();  // null for classes that cannot be created
    CRuntimeClass* m_pBaseClass;
    CRuntimeClass* m_pNextClass;  // the next registered class

    // A new default-constructed object, or null when the class cannot create one.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
    // The registered class of that name, or null.
    static CRuntimeClass* PASCAL FromName(LPCSTR lpszClassName);
};

// Enters a class in the list of registered classes when the program starts.
struct AFX_CLASSINIT {
    explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)         \
public:                                     \
    static CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_SERIAL(class_name)         \
    DECLARE_DYNAMIC(class_name)            \
    static CObject* PASCAL CreateObject(); \
    friend CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb);

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                    \
    CRuntimeClass class_name::class##class_name = {                                                 \
        #class_name, sizeof(class_name), wSchema, pfnNew, RUNTIME_CLASS(base_class_name), nullptr}; \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                            \
        return RUNTIME_CLASS(class_name);                                                           \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

// The typed extraction gives null when the archive holds an object of another class.
#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                                 \
    CObject* PASCAL class_name::CreateObject() {                                               \
        return new class_name;                                                                 \
    }                                                                                          \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
    static const AFX_CLASSINIT _init_##class_name(RUNTIME_CLASS(class_name));                  \
    CArchive& AFXAPI operator>>(CArchive& ar, class_name*& pOb) {                              \
        pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));              \
        return ar;                                                                             \
    }

class CObject {
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Stores or loads the object's data; a plain CObject has none.
    virtual void Serialize(CArchive&) {}

    BOOL IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

    static CRuntimeClass classCObject;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

// A growable array of object pointers; it never owns what they point to.
class CObArray : public CObject {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    CObject* GetAt(INT_PTR nIndex) const;
    CObject* operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    void SetAt(INT_PTR nIndex, CObject* pObject);
    INT_PTR Add(CObject* pObject);
    void RemoveAll() { m_data.clear(); }

private:
    std::vector<CObject*> m_data;
};

#include "afxarch.h"
