#include "SchemeDlg.h"

#include <cwchar>

#include "NarrowNames.h"
#include "SoundControlDlg.h"

namespace {

constexpr size_t kMaxSchemeName = 64;

// A message with one name in it.
CString Format(LPCSTR pszFormat, const CString& strName) {
    char szText[512];
    ::wsprintfA(szText, pszFormat, static_cast<LPCSTR>(strName.Left(kMaxSchemeName * 2)));
    return szText;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSchemeDlg, CDialog)
ON_LBN_SELCHANGE(IDC_SCHEME_LIST, OnSelchangeSchemeList)
ON_LBN_DBLCLK(IDC_SCHEME_LIST, OnSchemeApply)
ON_BN_CLICKED(IDC_SCHEME_APPLY, OnSchemeApply)
ON_BN_CLICKED(IDC_SCHEME_SAVE, OnSchemeSave)
ON_BN_CLICKED(IDC_SCHEME_DELETE, OnSchemeDelete)
END_MESSAGE_MAP()

CSchemeDlg::CSchemeDlg(CSoundControlDlg* pOwner) : CDialog(CSchemeDlg::IDD, pOwner), m_pOwner(pOwner) {}

void CSchemeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SCHEME_LIST, m_lstSchemes);
}

BOOL CSchemeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    FillSchemeList(m_pOwner->GetSchemeInUse());
    return TRUE;
}

void CSchemeDlg::FillSchemeList(const CString& strSelect) {
    m_schemes = SchemeStore(HKEY_CURRENT_USER).ListSchemes();
    CString strInUse = m_pOwner->GetSchemeInUse();
    m_lstSchemes.SendMessage(LB_RESETCONTENT);
    int nSelect = 0;
    for (size_t i = 0; i < m_schemes.size(); ++i) {
        const SchemeStore::Scheme& scheme = m_schemes[i];
        BOOL bInUse = !strInUse.IsEmpty() && scheme.strId.CompareNoCase(strInUse) == 0;
        CString strText = scheme.strName + (bInUse ? " (使用中)" : "");
        m_lstSchemes.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strText)));
        if (scheme.strId.CompareNoCase(strSelect) == 0) nSelect = static_cast<int>(i);
    }
    m_lstSchemes.SetCurSel(m_schemes.empty() ? -1 : nSelect);
    OnSelchangeSchemeList();
}

const SchemeStore::Scheme* CSchemeDlg::GetSelectedScheme() const {
    int nSel = m_lstSchemes.GetCurSel();
    return nSel >= 0 && static_cast<size_t>(nSel) < m_schemes.size() ? &m_schemes[static_cast<size_t>(nSel)] : nullptr;
}

void CSchemeDlg::OnSelchangeSchemeList() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SCHEME_APPLY), pScheme != nullptr);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SCHEME_DELETE),
                   pScheme != nullptr && m_pOwner->CanDeleteScheme(pScheme->strId));
}

void CSchemeDlg::OnSchemeApply() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    if (pScheme == nullptr) return;
    CString strId = pScheme->strId;
    if (m_pOwner->ApplyScheme(strId)) FillSchemeList(strId);
}

void CSchemeDlg::OnSchemeSave() {
    CSchemeNameDlg dlg(this);
    if (dlg.DoModal() != IDOK) return;
    SchemeStore store(HKEY_CURRENT_USER);
    CString strId;
    for (const SchemeStore::Scheme& scheme : store.ListSchemes()) {
        if (scheme.strName.CompareNoCase(dlg.m_strName) != 0) continue;
        if (SchemeStore::IsReservedId(scheme.strId)) {
            MessageBox(Format("「%s」はシステムのスキームです。別の名前を付けてください。", scheme.strName), nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (MessageBox(Format("スキーム「%s」は既にあります。置き換えますか?", scheme.strName), nullptr,
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        strId = scheme.strId;
        break;
    }
    if (strId.IsEmpty()) strId = store.MakeSchemeId(dlg.m_strName);
    if (!m_pOwner->SaveScheme(strId, dlg.m_strName)) {
        MessageBox("スキームを保存できませんでした。", nullptr, MB_OK | MB_ICONEXCLAMATION);
        strId.Empty();
    }
    FillSchemeList(strId);
}

void CSchemeDlg::OnSchemeDelete() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    if (pScheme == nullptr || !m_pOwner->CanDeleteScheme(pScheme->strId)) return;
    if (MessageBox(Format("スキーム「%s」を削除しますか?", pScheme->strName), nullptr, MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    if (!m_pOwner->DeleteScheme(pScheme->strId))
        MessageBox("スキームを削除できませんでした。", nullptr, MB_OK | MB_ICONEXCLAMATION);
    FillSchemeList(CString());
}

CSchemeNameDlg::CSchemeNameDlg(CWnd* pParent) : CDialog(CSchemeNameDlg::IDD, pParent) {}

void CSchemeNameDlg::OnOK() {
    // Read in UTF-16, so that a character the code page has not is seen, not replaced.
    WCHAR szName[kMaxSchemeName + 2] = L"";
    int nLength = ::GetDlgItemTextW(m_hWnd, IDC_SCHEME_NAME, szName, static_cast<int>(kMaxSchemeName + 2));
    LPCSTR pszProblem = nullptr;
    CString strName;
    if (nLength == 0)
        pszProblem = "名前を入力してください。";
    else if (static_cast<size_t>(nLength) > kMaxSchemeName)
        pszProblem = "名前は 64 文字までです。";
    else if (!browser::ExactNarrow(szName, &strName))
        pszProblem = "名前に使えない文字があります。";
    if (pszProblem != nullptr) {
        MessageBox(pszProblem, nullptr, MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_SCHEME_NAME));
        return;
    }
    m_strName = strName;
    CDialog::OnOK();
}
