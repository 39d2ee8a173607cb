#include "afxwin.h"

namespace {

// The dialog procedure that the dialog manager calls: it starts OnInitDialog and
// leaves every other message to the dialog manager's defaults. Everything else
// reaches the object earlier, through AfxWndProc.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (pDlg == nullptr) return TRUE;
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    HWND hWndParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    AfxHookWindowCreate(this);
    INT_PTR nResult =
        ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hWndParent, &AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    return nResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND hWndParent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDTemplate), hWndParent, &AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    return hWnd != nullptr;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode) {
    // Commands the dialog does not handle go on to the application.
    if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode);
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd != nullptr) return;
    HWND hWndCtrl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl != nullptr) rControl.SubclassWindow(hWndCtrl);
}

void CListBox::GetText(int nIndex, CString& rString) const {
    int nLen = GetTextLen(nIndex);
    if (nLen == LB_ERR) {
        rString.Empty();
        return;
    }
    nLen = static_cast<int>(SendMsg(LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(rString.GetBufferSetLength(nLen))));
    rString.ReleaseBuffer(nLen == LB_ERR ? 0 : nLen);
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
    int nLen = static_cast<int>(SendMsg(CB_GETLBTEXTLEN, nIndex));
    if (nLen == CB_ERR) {
        rString.Empty();
        return;
    }
    nLen = static_cast<int>(SendMsg(CB_GETLBTEXT, nIndex, reinterpret_cast<LPARAM>(rString.GetBufferSetLength(nLen))));
    rString.ReleaseBuffer(nLen == CB_ERR ? 0 : nLen);
}
