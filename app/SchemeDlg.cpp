#include "SchemeDlg.h"

#include <commdlg.h>

#include <cwchar>

#include "NarrowNames.h"
#include "RegistryValues.h"
#include "SoundControlDlg.h"
#include "SystemLibrary.h"
#include "ThemeExchange.h"

namespace {

constexpr size_t kMaxSchemeName = SchemeStore::kMaxSchemeName;
// The scheme list's last entry.
constexpr char kCurrentSounds[] = "(現在のサウンド)";

// A message with one name in it, the name cut to what a scheme name may hold,
// never in the middle of a double-byte character.
CString Format(LPCSTR pszFormat, const CString& strName) {
    int nCut = 0;
    for (LPCSTR p = strName; *p != '\0';) {
        LPCSTR pNext = ::CharNextExA(CP_ACP, p, 0);
        if (pNext - static_cast<LPCSTR>(strName) > static_cast<int>(kMaxSchemeName * 2)) break;
        nCut = static_cast<int>(pNext - static_cast<LPCSTR>(strName));
        p = pNext;
    }
    char szText[512];
    ::wsprintfA(szText, pszFormat, static_cast<LPCSTR>(strName.Left(nCut)));
    return szText;
}

// A count for a message.
CString Count(LPCSTR pszLabel, size_t nCount) {
    char szText[128];
    ::wsprintfA(szText, "\r\n%s: %u 個", pszLabel, static_cast<UINT>(nCount));
    return szText;
}

// Tells that a library of the system's cannot be loaded.
void NoLibraryBox(CWnd* pOwner, const std::wstring& strLibrary) {
    CString strName;
    scheme::NarrowText(strLibrary, &strName);
    pOwner->MessageBox(Format("システムのライブラリ「%s」を読み込めません。", strName), nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
}

// The file chosen in the system's dialog, in UTF-16, which names every file;
// pPath gives the name first proposed. FALSE when none is chosen.
BOOL ChooseFile(CWnd* pOwner, BOOL bSave, std::wstring* pPath) {
    WCHAR szFile[4 * MAX_PATH];
    ::lstrcpynW(szFile, pPath->c_str(), ARRAYSIZE(szFile));
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = pOwner->m_hWnd;
    ofn.lpstrFilter = bSave ? L"テーマ パック (*.themepack)\0*.themepack\0テーマ ファイル (*.theme)\0*.theme\0"
                            : L"テーマ、テーマ パック、INI ファイル\0*.theme;*.themepack;*.deskthemepack;*.ini\0"
                              L"テーマ ファイル (*.theme)\0*.theme\0"
                              L"テーマ パック (*.themepack;*.deskthemepack)\0*.themepack;*.deskthemepack\0"
                              L"INI ファイル (*.ini)\0*.ini\0すべてのファイル (*.*)\0*.*\0";
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = ARRAYSIZE(szFile);
    ofn.lpstrTitle = bSave ? L"スキームの書き出し" : L"スキームの読み込み";
    ofn.lpstrDefExt = bSave ? L"themepack" : nullptr;
    // The main dialog's browser stands in the process's current directory.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (bSave ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const auto pChoose =
        bSave ? scheme::SystemFunction<decltype(&::GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW")
              : scheme::SystemFunction<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (pChoose == nullptr) {
        NoLibraryBox(pOwner, L"comdlg32.dll");
        return FALSE;
    }
    if (!pChoose(&ofn)) return FALSE;
    *pPath = szFile;
    return TRUE;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSchemeDlg, CDialog)
ON_LBN_SELCHANGE(IDC_SCHEME_LIST, OnSelchangeSchemeList)
ON_LBN_DBLCLK(IDC_SCHEME_LIST, OnSchemeApply)
ON_BN_CLICKED(IDC_SCHEME_APPLY, OnSchemeApply)
ON_BN_CLICKED(IDC_SCHEME_SAVE, OnSchemeSave)
ON_BN_CLICKED(IDC_SCHEME_DELETE, OnSchemeDelete)
ON_BN_CLICKED(IDC_SCHEME_IMPORT, OnSchemeImport)
ON_BN_CLICKED(IDC_SCHEME_EXPORT, OnSchemeExport)
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

void CSchemeDlg::FillSchemeList(const std::wstring& strSelect) {
    m_schemes = m_pOwner->GetStore().ListSchemes();
    std::wstring strInUse = m_pOwner->GetSchemeInUse();
    m_lstSchemes.SendMessage(LB_RESETCONTENT);
    int nSelect = 0;
    for (size_t i = 0; i < m_schemes.size(); ++i) {
        const SchemeStore::Scheme& scheme = m_schemes[i];
        BOOL bInUse = !strInUse.empty() && scheme.strId == strInUse;
        CString strText = scheme.strShown + (bInUse ? " (使用中)" : "");
        m_lstSchemes.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strText)));
        if (scheme.strId == strSelect) nSelect = static_cast<int>(i);
    }
    // Last, what plays now, which is no scheme: only written out.
    m_lstSchemes.SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCurrentSounds));
    m_lstSchemes.SetCurSel(nSelect);
    OnSelchangeSchemeList();
}

const SchemeStore::Scheme* CSchemeDlg::GetSelectedScheme() const {
    int nSel = m_lstSchemes.GetCurSel();
    return nSel >= 0 && static_cast<size_t>(nSel) < m_schemes.size() ? &m_schemes[static_cast<size_t>(nSel)] : nullptr;
}

void CSchemeDlg::OnSelchangeSchemeList() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SCHEME_APPLY), pScheme != nullptr);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SCHEME_DELETE), pScheme != nullptr && m_pOwner->CanDeleteScheme(*pScheme));
}

void CSchemeDlg::OnSchemeApply() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    if (pScheme == nullptr) return;
    std::wstring strId = pScheme->strId;
    if (m_pOwner->ApplyScheme(strId)) FillSchemeList(strId);
}

void CSchemeDlg::OnSchemeSave() {
    CSchemeNameDlg dlg(this);
    if (dlg.DoModal() != IDOK) return;
    std::wstring strName = scheme::Widen(dlg.m_strName);
    std::wstring strReplaced;
    for (const SchemeStore::Scheme& scheme : m_pOwner->GetStore().ListSchemes()) {
        if (::CompareStringOrdinal(scheme.strName.c_str(), -1, strName.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
        if (scheme.bSystem) {
            MessageBox(Format("「%s」はシステムのスキームです。別の名前を付けてください。", scheme.strShown), nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (MessageBox(Format("スキーム「%s」は既にあります。置き換えますか?", scheme.strShown), nullptr,
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        strReplaced = scheme.strId;
        break;
    }
    std::wstring strId;
    if (!m_pOwner->SaveScheme(strReplaced, dlg.m_strName, &strId)) {
        MessageBox(strReplaced.empty() ? "スキームを保存できませんでした。"
                                       : "スキームを保存できませんでした。元のスキームはそのまま残っています。",
                   nullptr, MB_OK | MB_ICONEXCLAMATION);
        strId = strReplaced;
    }
    FillSchemeList(strId);
}

void CSchemeDlg::OnSchemeDelete() {
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    if (pScheme == nullptr || !m_pOwner->CanDeleteScheme(*pScheme)) return;
    if (MessageBox(Format("スキーム「%s」を削除しますか?", pScheme->strShown), nullptr, MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    // The sounds a pack gave it go with it, unless another scheme has them too.
    std::vector<std::wstring> folders = sharing::UnpackFoldersOf(m_pOwner->GetStore(), pScheme->strId);
    if (m_pOwner->DeleteScheme(*pScheme))
        sharing::RemoveFolders(folders);
    else
        MessageBox("スキームを削除できませんでした。", nullptr, MB_OK | MB_ICONEXCLAMATION);
    FillSchemeList(std::wstring());
}

void CSchemeDlg::OnSchemeImport() {
    std::wstring strPath;
    if (!ChooseFile(this, FALSE, &strPath)) return;
    sharing::ImportReport report;
    sharing::ImportOutcome outcome = sharing::ImportTheme(m_pOwner->GetStore(), strPath, &report);
    if (outcome == sharing::ImportOutcome::kNoLibrary) {
        NoLibraryBox(this, report.strFile);
        return;
    }
    if (outcome != sharing::ImportOutcome::kImported) {
        CString strFile;
        scheme::NarrowText(report.strFile, &strFile);
        const struct {
            sharing::ImportOutcome outcome;
            LPCSTR pszText;
        } problems[] = {
            {sharing::ImportOutcome::kUnreadable, "ファイルを読み込めません。"},
            {sharing::ImportOutcome::kEmpty, "ファイルが空です。"},
            {sharing::ImportOutcome::kNoSounds, "ファイルにサウンドの設定がありません。"},
            {sharing::ImportOutcome::kLongSound, "パスが長すぎるサウンドがあります。"},
            {sharing::ImportOutcome::kBadName, "テーマパックに、使えない名前のファイルがあります。"},
            {sharing::ImportOutcome::kTooLarge, "テーマパックのファイルが多すぎるか、大きすぎます。"},
            {sharing::ImportOutcome::kNoTheme, "テーマパックにテーマ ファイルがありません。"},
            {sharing::ImportOutcome::kNotWave, "テーマパックの「%s」は WAVE ファイルではありません。"},
            {sharing::ImportOutcome::kNotWritten, "スキームを読み込めませんでした。"},
        };
        for (const auto& problem : problems)
            if (problem.outcome == outcome)
                MessageBox(Format(problem.pszText, strFile), nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    FillSchemeList(report.strId);
    MessageBox(Format("スキーム「%s」を読み込みました。\r\n", report.strName) + Count("サウンド", report.nSounds) +
                   Count("このコンピューターにない場面", report.nLacking) +
                   Count("見つからないファイル", report.nMissing) + Count("ネットワーク上のファイル", report.nNetwork),
               nullptr, MB_OK | MB_ICONINFORMATION);
}

void CSchemeDlg::OnSchemeExport() {
    // The chosen scheme, else (the list's last entry) the sounds that play now.
    const SchemeStore::Scheme* pScheme = GetSelectedScheme();
    CString strShown = pScheme != nullptr ? pScheme->strShown : CString("現在のサウンド");
    std::wstring strName = pScheme != nullptr ? pScheme->strName : scheme::Widen(strShown);
    std::wstring strPath = sharing::FileNameOf(strName);
    if (!ChooseFile(this, TRUE, &strPath)) return;
    sharing::ExportReport report;
    switch (sharing::ExportTheme(m_pOwner->GetStore(), pScheme != nullptr ? pScheme->strId : std::wstring(), strName,
                                 strPath, &report)) {
    case sharing::ExportOutcome::kNoLibrary:
        NoLibraryBox(this, L"cabinet.dll");
        return;
    case sharing::ExportOutcome::kNotWritten:
        MessageBox("スキームを書き出せませんでした。", nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    case sharing::ExportOutcome::kWritten:
        break;
    }
    MessageBox(Format("スキーム「%s」を書き出しました。\r\n", strShown) + Count("サウンド", report.nSounds) +
                   Count("見つからないファイル", report.nMissing) + Count("ネットワーク上のファイル", report.nNetwork),
               nullptr, MB_OK | MB_ICONINFORMATION);
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
