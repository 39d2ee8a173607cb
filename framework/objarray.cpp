#include "afx.h"

CObject* CObArray::GetAt(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= GetSize()) return nullptr;
    return m_data[static_cast<size_t>(nIndex)];
}

void CObArray::SetAt(INT_PTR nIndex, CObject* pObject) {
    if (nIndex >= 0 && nIndex < GetSize()) m_data[static_cast<size_t>(nIndex)] = pObject;
}

INT_PTR CObArray::Add(CObject* pObject) {
    m_data.push_back(pObject);
    return GetSize() - 1;
}
