// The sound settings: named schemes to apply to the dialog's events, to save
// the dialog's sounds as, to delete, and to take in from theme files and write
// out as them. Opened from the main dialog's system menu.
#pragma once

#include <string>
#include <vector>

#include "SchemeStore.h"
#include "afxwin.h"
#include "resource.h"

class CSoundControlDlg;

class CSchemeDlg : public CDialog {
public:
    explicit CSchemeDlg(CSoundControlDlg* pOwner);

    enum { IDD = IDD_SCHEMES };

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnSelchangeSchemeList();
    afx_msg void OnSchemeApply();
    afx_msg void OnSchemeSave();
    afx_msg void OnSchemeDelete();
    afx_msg void OnSchemeImport();
    afx_msg void OnSchemeExport();
    // Lists the schemes by name, marks the one in use and selects the one of
    // the id given, else the first.
    void FillSchemeList(const std::wstring& strSelect);
    // The chosen scheme, or null.
    const SchemeStore::Scheme* GetSelectedScheme() const;

    CSoundControlDlg* m_pOwner;
    std::vector<SchemeStore::Scheme> m_schemes;  // in the list's order
    CListBox m_lstSchemes;

    DECLARE_MESSAGE_MAP()
};

// Asks for the name of a scheme: 1 to 64 characters that code page 932 holds.
class CSchemeNameDlg : public CDialog {
public:
    explicit CSchemeNameDlg(CWnd* pParent);

    enum { IDD = IDD_SCHEME_NAME };

    CString m_strName;  // the name entered, once the dialog ended with IDOK

protected:
    void OnOK() override;
};
