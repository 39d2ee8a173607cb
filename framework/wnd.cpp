#include <map>
#include <memory>

#include "afxwin.h"

// ---------------------------------------------------------------- message maps

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID) {
    // A derived class's entry hides its base's for the same message.
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage == nMsg && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (e == nullptr) return FALSE;
    (this->*e->pfn)();
    return TRUE;
}

// ---------------------------------------------------------------- handle maps

namespace {

struct ThreadState {
    std::map<HWND, CWnd*> permanent;
    std::map<HWND, std::unique_ptr<CWnd>> temporary;
    std::map<HDC, std::unique_ptr<CDC>> temporaryDCs;
    MSG currentMsg{};
    int nDispatchDepth = 0;
    CWnd* pWndInit = nullptr;
    HHOOK hHookCbt = nullptr;
};

ThreadState& State() {
    thread_local ThreadState state;
    return state;
}

void DeleteTemporaryObjects() {
    for (auto& entry : State().temporary) entry.second->m_hWnd = nullptr;
    State().temporary.clear();
    State().temporaryDCs.clear();
}

}  // namespace

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd) {
    auto it = State().permanent.find(hWnd);
    return it == State().permanent.end() ? nullptr : it->second;
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd)) return pWnd;
    auto& temp = State().temporary[hWnd];
    if (!temp) {
        temp = std::make_unique<CWnd>();
        temp->m_hWnd = hWnd;
    }
    return temp.get();
}

CDC* PASCAL CDC::FromHandle(HDC hDC) {
    if (hDC == nullptr) return nullptr;
    auto& temp = State().temporaryDCs[hDC];
    if (!temp) {
        temp = std::make_unique<CDC>();
        temp->m_hDC = hDC;
    }
    return temp.get();
}

const MSG* PASCAL CWnd::GetCurrentMessage() {
    return &State().currentMsg;
}

// ---------------------------------------------------------------- CWnd

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr) {}

CWnd::~CWnd() {
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
        // The object goes first: its window goes with it, as the framework promises.
        ::DestroyWindow(m_hWnd);
        if (m_hWnd != nullptr) Detach();
    }
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (hWndNew == nullptr || m_hWnd != nullptr) return FALSE;
    m_hWnd = hWndNew;
    State().permanent[hWndNew] = this;
    State().temporary.erase(hWndNew);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        auto it = State().permanent.find(hWnd);
        if (it != State().permanent.end() && it->second == this) State().permanent.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd)) return FALSE;
    m_pfnSuper =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetWindowText(CString& rString) const {
    int nLen = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetBufferSetLength(nLen), nLen + 1);
    rString.ReleaseBuffer();
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    if (lpszCaption == nullptr) lpszCaption = AfxGetAppName();
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    const MSG* pMsg = GetCurrentMessage();
    return DefWindowProc(pMsg->message, pMsg->wParam, pMsg->lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), message, 0, 0);
    if (e == nullptr) return FALSE;

    // Each signature gets its parameters unpacked and its result packed as the message expects.
    union {
        AFX_PMSG pfn;
        void (CWnd::*pfn_vv)();
        BOOL (CWnd::*pfn_bv)();
        HCURSOR (CWnd::*pfn_hv)();
        int (CWnd::*pfn_is)(LPCREATESTRUCT);
        void (CWnd::*pfn_vW)(CWnd*);
        void (CWnd::*pfn_vMI)(int, LPMEASUREITEMSTRUCT);
        void (CWnd::*pfn_vDI)(int, LPDRAWITEMSTRUCT);
        int (CWnd::*pfn_iCI)(int, LPCOMPAREITEMSTRUCT);
        LRESULT (CWnd::*pfn_lwl)(WPARAM, LPARAM);
        void (CWnd::*pfn_vul)(UINT, LPARAM);
    } mmf;
    mmf.pfn = e->pfn;
    LRESULT lResult = 0;
    switch (e->nSig) {
    case AfxSig_vv:
        (this->*mmf.pfn_vv)();
        break;
    case AfxSig_bv:
        lResult = (this->*mmf.pfn_bv)();
        break;
    case AfxSig_hv:
        lResult = reinterpret_cast<LRESULT>((this->*mmf.pfn_hv)());
        break;
    case AfxSig_is:
        lResult = (this->*mmf.pfn_is)(reinterpret_cast<LPCREATESTRUCT>(lParam));
        break;
    case AfxSig_vW:
        (this->*mmf.pfn_vW)(FromHandle(reinterpret_cast<HWND>(wParam)));
        break;
    case AfxSig_vMEASUREITEM:
        (this->*mmf.pfn_vMI)(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        lResult = TRUE;
        break;
    case AfxSig_vDRAWITEM:
        (this->*mmf.pfn_vDI)(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        lResult = TRUE;
        break;
    case AfxSig_iCOMPAREITEM:
        lResult = (this->*mmf.pfn_iCI)(static_cast<int>(wParam), reinterpret_cast<LPCOMPAREITEMSTRUCT>(lParam));
        break;
    case AfxSig_lwl:
        lResult = (this->*mmf.pfn_lwl)(wParam, lParam);
        break;
    case AfxSig_vul:
        (this->*mmf.pfn_vul)(static_cast<UINT>(wParam), lParam);
        break;
    case AfxSig_end:
        return FALSE;
    }
    *pResult = lResult;
    return TRUE;
}

void CWnd::OnNcDestroy() {
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this) pApp->m_pMainWnd = nullptr;
    Default();
    if (m_pfnSuper != nullptr) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m_pfnSuper = nullptr;
    }
    Detach();
    PostNcDestroy();
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

// ---------------------------------------------------------------- the window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);

    ThreadState& state = State();
    MSG saved = state.currentMsg;
    state.currentMsg = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    ++state.nDispatchDepth;
    LRESULT lResult = 0;
    try {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's frames; the message counts as handled.
        lResult = 0;
    }
    --state.nDispatchDepth;
    state.currentMsg = saved;
    if (state.nDispatchDepth == 0) DeleteTemporaryObjects();
    return lResult;
}

namespace {

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    ThreadState& state = State();
    if (code == HCBT_CREATEWND && state.pWndInit != nullptr) {
        CWnd* pWnd = state.pWndInit;
        state.pWndInit = nullptr;
        pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(state.hHookCbt, code, wParam, lParam);
}

}  // namespace

void AfxHookWindowCreate(CWnd* pWnd) {
    ThreadState& state = State();
    if (state.hHookCbt == nullptr)
        state.hHookCbt = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    state.pWndInit = pWnd;
}

void AfxUnhookWindowCreate() {
    ThreadState& state = State();
    if (state.hHookCbt != nullptr) {
        ::UnhookWindowsHookEx(state.hHookCbt);
        state.hHookCbt = nullptr;
    }
    state.pWndInit = nullptr;
}
