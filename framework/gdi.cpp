#include <algorithm>

#include "afxwin.h"

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    BOOL bDeleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return bDeleted;
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ hObject = m_hObject;
    m_hObject = nullptr;
    return hObject;
}

CDC::~CDC() {
    // The wrappers only borrowed their objects.
    for (auto& pObject : m_borrowed) pObject->Detach();
}

template <typename T>
T* CDC::Borrowed(HGDIOBJ hObject) {
    if (hObject == nullptr) return nullptr;
    auto it = std::find_if(m_borrowed.begin(), m_borrowed.end(),
                           [hObject](const std::unique_ptr<CGdiObject>& p) { return p->m_hObject == hObject; });
    if (it != m_borrowed.end()) return static_cast<T*>(it->get());
    m_borrowed.push_back(std::make_unique<T>());
    m_borrowed.back()->Attach(hObject);
    return static_cast<T*>(m_borrowed.back().get());
}

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) {
    HPALETTE hPalette = pPalette != nullptr ? static_cast<HPALETTE>(*pPalette) : nullptr;
    return Borrowed<CPalette>(::SelectPalette(m_hDC, hPalette, bForceBackground));
}

CFont* CDC::SelectObject(CFont* pFont) {
    if (pFont == nullptr || pFont->m_hObject == nullptr) return nullptr;
    return Borrowed<CFont>(::SelectObject(m_hDC, pFont->m_hObject));
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}

// A null window gives the screen's context, as GetDC does.
CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC() {
    ::ReleaseDC(m_hWnd, m_hDC);
}
