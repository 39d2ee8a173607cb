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
    // The wrappers only borrowed their palettes.
    for (auto& pPalette : m_previousPalettes) pPalette->Detach();
}

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) {
    HPALETTE hPalette = pPalette != nullptr ? static_cast<HPALETTE>(*pPalette) : nullptr;
    HPALETTE hPrevious = ::SelectPalette(m_hDC, hPalette, bForceBackground);
    if (hPrevious == nullptr) return nullptr;
    // One wrapper per handle, so that selecting back and forth does not pile them up.
    auto it = std::find_if(m_previousPalettes.begin(), m_previousPalettes.end(),
                           [hPrevious](const std::unique_ptr<CPalette>& p) { return *p == hPrevious; });
    if (it != m_previousPalettes.end()) return it->get();
    m_previousPalettes.push_back(std::make_unique<CPalette>());
    m_previousPalettes.back()->Attach(hPrevious);
    return m_previousPalettes.back().get();
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
