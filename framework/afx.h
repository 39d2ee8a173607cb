// Core classes of the framework: CObject, CString and the object array.
#pragma once

#include <windows.h>

#include <vector>

#include "afxstr.h"

class CObject {
public:
    virtual ~CObject() = default;

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
