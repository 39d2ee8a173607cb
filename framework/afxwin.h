// Windows classes of the framework: geometry, message maps, windows, dialogs,
// controls, device contexts and the application object.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "afx.h"

class CWnd;
class CWinApp;
class CDataExchange;

// ---------------------------------------------------------------- geometry

class CPoint : public tagPOINT {
public:
    CPoint() { x = y = 0; }
    CPoint(int initX, int initY) {
        x = initX;
        y = initY;
    }
    operator LPPOINT() { return this; }
};

class CSize : public tagSIZE {
public:
    CSize() { cx = cy = 0; }
    CSize(int initCX, int initCY) {
        cx = initCX;
        cy = initCY;
    }
};

class CRect : public tagRECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& rc) { ::CopyRect(this, &rc); }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(this); }
    CPoint& BottomRight() { return *(reinterpret_cast<CPoint*>(this) + 1); }
    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    void SetRectEmpty() { ::SetRectEmpty(this); }
    void InflateRect(int x, int y) { ::InflateRect(this, x, y); }
    void DeflateRect(int x, int y) { ::InflateRect(this, -x, -y); }
    void OffsetRect(int x, int y) { ::OffsetRect(this, x, y); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& rc) const { return ::EqualRect(this, &rc) != FALSE; }
};

// ---------------------------------------------------------------- message maps

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

// How a map entry's handler is called: one code per handler signature.
enum AfxSig {
    AfxSig_end = 0,
    AfxSig_vv,            // void ()
    AfxSig_bv,            // BOOL ()
    AfxSig_hv,            // HCURSOR ()
    AfxSig_is,            // int (LPCREATESTRUCT)
    AfxSig_vW,            // void (CWnd*)
    AfxSig_vMEASUREITEM,  // void (int, LPMEASUREITEMSTRUCT)
    AfxSig_vDRAWITEM,     // void (int, LPDRAWITEMSTRUCT)
    AfxSig_iCOMPAREITEM,  // int (int, LPCOMPAREITEMSTRUCT)
    AfxSig_lwl,           // LRESULT (WPARAM, LPARAM)
    AfxSig_vul,           // void (UINT, LPARAM)
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // window message, WM_COMMAND for commands and notifications
    UINT nCode;     // notification code, 0 for commands
    UINT nID;       // control id, 0 for window messages
    UINT nLastID;   // last id of a range
    AfxSig nSig;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP*(PASCAL* pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define afx_msg

#define DECLARE_MESSAGE_MAP()                            \
protected:                                               \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)               \
    const AFX_MSGMAP* theClass::GetMessageMap() const {      \
        return GetThisMessageMap();                          \
    }                                                        \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() { \
        typedef theClass ThisClass;                          \
        typedef baseClass TheBaseClass;                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, AfxSig_end, nullptr }                                                           \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

// The static_cast checks each handler's signature against the one its entry
// promises; the dispatcher casts it back by that signature.
#define AFX_MSG_ENTRY(msg, code, id, sig, type, fn) \
    {msg, code, id, id, sig, AfxHandler(static_cast<type>(&ThisClass::fn))},

template <typename Handler>
AFX_PMSG AfxHandler(Handler pfn) {
    union {
        Handler typed;
        AFX_PMSG stored;
    } u;
    static_assert(sizeof(Handler) == sizeof(AFX_PMSG), "member pointers differ in size");
    u.typed = pfn;
    return u.stored;
}

#define ON_COMMAND(id, fn) AFX_MSG_ENTRY(WM_COMMAND, 0, id, AfxSig_vv, void (CCmdTarget::*)(), fn)
#define ON_CONTROL(code, id, fn) AFX_MSG_ENTRY(WM_COMMAND, code, id, AfxSig_vv, void (CCmdTarget::*)(), fn)
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_MESSAGE(msg, fn) AFX_MSG_ENTRY(msg, 0, 0, AfxSig_lwl, LRESULT (CWnd::*)(WPARAM, LPARAM), fn)

#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, 0, 0, AfxSig_is, int (CWnd::*)(LPCREATESTRUCT), OnCreate)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, 0, AfxSig_vv, void (CWnd::*)(), OnPaint)
#define ON_WM_QUERYDRAGICON() AFX_MSG_ENTRY(WM_QUERYDRAGICON, 0, 0, AfxSig_hv, HCURSOR (CWnd::*)(), OnQueryDragIcon)
#define ON_WM_SETFOCUS() AFX_MSG_ENTRY(WM_SETFOCUS, 0, 0, AfxSig_vW, void (CWnd::*)(CWnd*), OnSetFocus)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, AfxSig_vv, void (CWnd::*)(), OnDestroy)
#define ON_WM_NCDESTROY() AFX_MSG_ENTRY(WM_NCDESTROY, 0, 0, AfxSig_vv, void (CWnd::*)(), OnNcDestroy)
#define ON_WM_SYSCOMMAND() AFX_MSG_ENTRY(WM_SYSCOMMAND, 0, 0, AfxSig_vul, void (CWnd::*)(UINT, LPARAM), OnSysCommand)
#define ON_WM_QUERYNEWPALETTE() AFX_MSG_ENTRY(WM_QUERYNEWPALETTE, 0, 0, AfxSig_bv, BOOL (CWnd::*)(), OnQueryNewPalette)
#define ON_WM_PALETTECHANGED() \
    AFX_MSG_ENTRY(WM_PALETTECHANGED, 0, 0, AfxSig_vW, void (CWnd::*)(CWnd*), OnPaletteChanged)
#define ON_WM_MEASUREITEM() \
    AFX_MSG_ENTRY(WM_MEASUREITEM, 0, 0, AfxSig_vMEASUREITEM, void (CWnd::*)(int, LPMEASUREITEMSTRUCT), OnMeasureItem)
#define ON_WM_DRAWITEM() \
    AFX_MSG_ENTRY(WM_DRAWITEM, 0, 0, AfxSig_vDRAWITEM, void (CWnd::*)(int, LPDRAWITEMSTRUCT), OnDrawItem)
#define ON_WM_COMPAREITEM() \
    AFX_MSG_ENTRY(WM_COMPAREITEM, 0, 0, AfxSig_iCOMPAREITEM, int (CWnd::*)(int, LPCOMPAREITEMSTRUCT), OnCompareItem)

// ---------------------------------------------------------------- command targets

class CCmdTarget : public CObject {
public:
    // Runs the handler that the map chain gives for a command or notification.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT nMsg, UINT nCode, UINT nID);

    friend class CWnd;
};

// ---------------------------------------------------------------- windows

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to hWnd, or a temporary one that lives until the current
    // outermost message has been handled.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    // The message the window procedure is handling now, parameters included.
    static const MSG* PASCAL GetCurrentMessage();

    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Routes hWnd's messages through this object's map; undone at WM_NCDESTROY.
    BOOL SubclassWindow(HWND hWnd);
    BOOL DestroyWindow();

    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void GetWindowText(CString& rString) const;
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
        return ::SetWindowPos(m_hWnd, pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy,
                              nFlags);
    }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsChild(const CWnd* pWnd) const { return pWnd != nullptr && ::IsChild(m_hWnd, pWnd->m_hWnd); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
    }
    // A null caption is the application's name.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // The window procedure's entry: the map first, then the original procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Passes the current message on to the original window procedure.
    LRESULT Default();
    // Called after the window is gone; the object may delete itself here.
    virtual void PostNcDestroy() {}

    afx_msg int OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
    afx_msg void OnPaint() { Default(); }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    afx_msg void OnSetFocus(CWnd*) { Default(); }
    afx_msg void OnDestroy() { Default(); }
    afx_msg void OnNcDestroy();
    afx_msg BOOL OnQueryNewPalette() { return static_cast<BOOL>(Default()); }
    afx_msg void OnPaletteChanged(CWnd*) { Default(); }
    afx_msg void OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
    afx_msg void OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
    afx_msg int OnCompareItem(int, LPCOMPAREITEMSTRUCT) { return static_cast<int>(Default()); }
    afx_msg void OnSysCommand(UINT, LPARAM) { Default(); }

    WNDPROC m_pfnSuper;  // the procedure replaced by SubclassWindow or the creation hook

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend void AfxHookWindowCreate(CWnd* pWnd);
    DECLARE_MESSAGE_MAP()
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Binds the next window that this thread creates to pWnd before its WM_NCCREATE.
void AfxHookWindowCreate(CWnd* pWnd);
void AfxUnhookWindowCreate();

// ---------------------------------------------------------------- dialogs

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds rControl to the dialog's control nIDC, once.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally from its template; IDOK, IDCANCEL or -1.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless from its template.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    BOOL OnCmdMsg(UINT nID, int nCode) override;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()
};

// ---------------------------------------------------------------- controls

class CButton : public CWnd {};
class CStatic : public CWnd {};

class CListBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMsg(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMsg(LB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return static_cast<int>(SendMsg(LB_SETCURSEL, nSelect)); }
    DWORD_PTR GetItemData(int nIndex) const { return static_cast<DWORD_PTR>(SendMsg(LB_GETITEMDATA, nIndex)); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) {
        return static_cast<int>(SendMsg(LB_SETITEMDATA, nIndex, static_cast<LPARAM>(dwItemData)));
    }
    int SetItemHeight(int nIndex, UINT cyItemHeight) {
        return static_cast<int>(SendMsg(LB_SETITEMHEIGHT, nIndex, MAKELPARAM(cyItemHeight, 0)));
    }
    int GetTextLen(int nIndex) const { return static_cast<int>(SendMsg(LB_GETTEXTLEN, nIndex)); }
    void GetText(int nIndex, CString& rString) const;
    int AddString(LPCSTR lpszItem) {
        return static_cast<int>(SendMsg(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
    }
    void ResetContent() { SendMsg(LB_RESETCONTENT); }
    // Inserts at the index without sorting.
    int InsertString(int nIndex, LPCSTR lpszItem) {
        return static_cast<int>(SendMsg(LB_INSERTSTRING, nIndex, reinterpret_cast<LPARAM>(lpszItem)));
    }
    // Selects the first entry from nStartAfter on whose text begins with lpszItem, ignoring case.
    int SelectString(int nStartAfter, LPCSTR lpszItem) {
        return static_cast<int>(SendMsg(LB_SELECTSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszItem)));
    }

private:
    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
};

class CComboBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMsg(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMsg(CB_GETCURSEL)); }
    int SetCurSel(int nSelect) { return static_cast<int>(SendMsg(CB_SETCURSEL, nSelect)); }
    void GetLBText(int nIndex, CString& rString) const;
    int AddString(LPCSTR lpszString) {
        return static_cast<int>(SendMsg(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
    }
    void ResetContent() { SendMsg(CB_RESETCONTENT); }
    int SelectString(int nStartAfter, LPCSTR lpszString) {
        return static_cast<int>(SendMsg(CB_SELECTSTRING, nStartAfter, reinterpret_cast<LPARAM>(lpszString)));
    }

private:
    LRESULT SendMsg(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
};

// ---------------------------------------------------------------- GDI objects

class CGdiObject : public CObject {
public:
    CGdiObject() : m_hObject(nullptr) {}
    ~CGdiObject() override { DeleteObject(); }
    HGDIOBJ m_hObject;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL DeleteObject();
    // Takes ownership of hObject; fails for a null handle or when one is held already.
    BOOL Attach(HGDIOBJ hObject);
    // Gives up the handle without deleting it.
    HGDIOBJ Detach();
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { m_hObject = ::CreateSolidBrush(crColor); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CPalette : public CGdiObject {
public:
    // Fails, creating nothing, when the object holds a palette already.
    BOOL CreatePalette(LPLOGPALETTE lpLogPalette) {
        return m_hObject == nullptr && Attach(::CreatePalette(lpLogPalette));
    }
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    // Fails, creating nothing, when the object holds a font already.
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont) {
        return m_hObject == nullptr && Attach(::CreateFontIndirectA(lpLogFont));
    }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

// ---------------------------------------------------------------- device contexts

class CDC : public CObject {
public:
    CDC() : m_hDC(nullptr) {}
    ~CDC() override;
    HDC m_hDC;
    // A wrapper for a context that the system lends, valid until the current
    // outermost message has been handled.
    static CDC* PASCAL FromHandle(HDC hDC);
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(m_hDC, nMode); }
    int SetBkMode(int nMode) { return ::SetBkMode(m_hDC, nMode); }
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
        return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
        return DrawText(str, str.GetLength(), lpRect, nFormat);
    }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
    void FillRect(LPCRECT lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, *pBrush); }
    BOOL GetTextMetrics(LPTEXTMETRICA lpMetrics) const { return ::GetTextMetricsA(m_hDC, lpMetrics); }

    // The palette selected before, or null when the selection failed. It comes
    // back in a wrapper that this object owns and that never deletes the palette:
    // valid while this object lives, to be selected back, not deleted.
    CPalette* SelectPalette(CPalette* pPalette, BOOL bForceBackground);
    // The number of system palette entries that changed.
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    // The font selected before, or null on failure, in a wrapper as SelectPalette's.
    CFont* SelectObject(CFont* pFont);

private:
    // The wrapper of a handle that was selected before, made once per handle, so
    // that selecting back and forth does not pile them up.
    template <typename T>
    T* Borrowed(HGDIOBJ hObject);
    std::vector<std::unique_ptr<CGdiObject>> m_borrowed;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// ---------------------------------------------------------------- the application

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    // Shows a message box owned by the main window; adds the usual icon when nType has none.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);

    // Controls here draw themselves in three dimensions already: nothing to switch on.
    BOOL Enable3dControlsStatic() { return TRUE; }
    HICON LoadIcon(UINT nIDResource) const;

    LPCSTR m_pszAppName;       // from AFX_IDS_APP_TITLE, else the executable's base name
    LPCSTR m_pszExeName;       // the executable's file name without extension
    LPCSTR m_pszHelpFilePath;  // the executable's path with the extension ".HLP"
    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd;

    afx_msg void OnHelp();

private:
    CString m_strAppName, m_strExeName, m_strHelpFilePath;
    friend BOOL AFXAPI AfxWinInit(HINSTANCE, HINSTANCE, LPSTR, int);

    DECLARE_MESSAGE_MAP()
};

#define AFX_IDS_APP_TITLE 0xE000
#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

CWinApp* AFXAPI AfxGetApp();
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();
LPCSTR AFXAPI AfxGetAppName();
// Records the instance, sets the error mode and names the application.
BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
int AFXAPI AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
