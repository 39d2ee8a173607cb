// Windows, dialogs and message maps under the real dialog manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "afxwin.h"
#include "dialog_driver.h"
#include "message_box_recorder.h"
#include "resource.h"
#include "winhelp_catcher.h"

namespace {

using harness::MessageBoxRecorder;

// A base dialog with handlers of its own, so that a derived map can be seen to chain to it.
class CBaseProbeDlg : public CDialog {
public:
    CBaseProbeDlg() : CDialog(IDD_PROBE) {}
    std::vector<std::string> m_log;

protected:
    afx_msg void OnBaseButton() { m_log.push_back("base button"); }
    afx_msg void OnDerivedButton() { m_log.push_back("base's derived button"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseProbeDlg, CDialog)
ON_BN_CLICKED(IDC_BASE_BUTTON, OnBaseButton)
ON_BN_CLICKED(IDC_DERIVED_BUTTON, OnDerivedButton)
END_MESSAGE_MAP()

class CProbeDlg : public CBaseProbeDlg {
public:
    CListBox m_lstSorted;
    bool m_bThrowOnDerived = false;
    std::string m_strPostOnInit;  // "escape" or "ok": what the user does as soon as the dialog is up

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_log.push_back("OnInitDialog");
        m_log.push_back(m_lstSorted.m_hWnd != nullptr ? "list bound" : "list unbound");
        if (m_strPostOnInit == "escape") {
            ::PostMessageA(::GetDlgItem(m_hWnd, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (m_strPostOnInit == "ok") {
            ::PostMessageA(::GetDlgItem(m_hWnd, IDOK), BM_CLICK, 0, 0);
        }
        return TRUE;
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_SORTED_LIST, m_lstSorted); }
    void OnOK() override {
        m_log.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override {
        m_log.push_back("OnCancel");
        CDialog::OnCancel();
    }
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct) {
        m_log.push_back("OnCreate");
        return CDialog::OnCreate(lpCreateStruct);
    }
    afx_msg void OnDestroy() {
        m_log.push_back("OnDestroy");
        CDialog::OnDestroy();
    }
    afx_msg void OnDerivedButton() {
        if (m_bThrowOnDerived) throw std::runtime_error("handler failed");
        m_log.push_back("derived button");
    }
    // Sorts by item data, largest first: the opposite of insertion order.
    afx_msg int OnCompareItem(int nIDCtl, LPCOMPAREITEMSTRUCT lpCIS) {
        if (nIDCtl != IDC_SORTED_LIST) return CDialog::OnCompareItem(nIDCtl, lpCIS);
        if (lpCIS->itemData1 == lpCIS->itemData2) return 0;
        return lpCIS->itemData1 > lpCIS->itemData2 ? -1 : 1;
    }
    afx_msg LRESULT OnProbe(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<INT_PTR>(0x1234)); }
    DECLARE_MESSAGE_MAP()
};

constexpr UINT WM_PROBE = WM_APP + 1;

BEGIN_MESSAGE_MAP(CProbeDlg, CBaseProbeDlg)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_DERIVED_BUTTON, OnDerivedButton)
ON_WM_COMPAREITEM()
ON_MESSAGE(WM_PROBE, OnProbe)
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

class ModelessDialog : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dlg.Create(IDD_PROBE)); }
    void TearDown() override {
        if (m_dlg.m_hWnd != nullptr) m_dlg.DestroyWindow();
    }
    CProbeDlg m_dlg;
};

TEST_F(ModelessDialog, CreateReachesOnCreateBeforeOnInitDialog) {
    ASSERT_GE(m_dlg.m_log.size(), 2u);
    EXPECT_EQ(m_dlg.m_log[0], "OnCreate");
    EXPECT_EQ(m_dlg.m_log[1], "OnInitDialog");
    EXPECT_EQ(m_dlg.m_log[2], "list bound") << "OnInitDialog's UpdateData(FALSE) ran DoDataExchange";
    EXPECT_EQ(CWnd::FromHandlePermanent(m_dlg.m_hWnd), &m_dlg);
}

TEST_F(ModelessDialog, MapsChainToTheBaseAndDerivedEntriesWin) {
    m_dlg.m_log.clear();
    harness::ClickButton(m_dlg.m_hWnd, IDC_BASE_BUTTON);
    harness::ClickButton(m_dlg.m_hWnd, IDC_DERIVED_BUTTON);
    EXPECT_EQ(m_dlg.m_log, (std::vector<std::string>{"base button", "derived button"}));
}

TEST_F(ModelessDialog, HandlerResultsReachTheSender) {
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, WM_PROBE, 40, 2), 42);
    EXPECT_EQ(::SendMessageA(m_dlg.m_hWnd, WM_QUERYDRAGICON, 0, 0), 0x1234);

    // The list box places items by the dialog's WM_COMPAREITEM answers.
    HWND hList = m_dlg.m_lstSorted.m_hWnd;
    for (LPARAM data : {1, 3, 2, 5, 4}) ::SendMessageA(hList, LB_ADDSTRING, 0, data);
    std::vector<LRESULT> order;
    for (int i = 0; i < 5; ++i) order.push_back(::SendMessageA(hList, LB_GETITEMDATA, i, 0));
    EXPECT_EQ(order, (std::vector<LRESULT>{5, 4, 3, 2, 1}));
}

TEST_F(ModelessDialog, AnExceptionInAHandlerStopsAtTheWindowProcedure) {
    m_dlg.m_bThrowOnDerived = true;
    harness::ClickButton(m_dlg.m_hWnd, IDC_DERIVED_BUTTON);
    m_dlg.m_bThrowOnDerived = false;
    m_dlg.m_log.clear();
    harness::ClickButton(m_dlg.m_hWnd, IDC_DERIVED_BUTTON);
    EXPECT_EQ(m_dlg.m_log, std::vector<std::string>{"derived button"}) << "the dialog still works";
}

TEST_F(ModelessDialog, DestroyingTheWindowUnbindsDialogAndControls) {
    HWND hDlg = m_dlg.m_hWnd;
    HWND hList = m_dlg.m_lstSorted.m_hWnd;
    m_dlg.DestroyWindow();
    EXPECT_EQ(m_dlg.m_hWnd, nullptr);
    EXPECT_EQ(m_dlg.m_lstSorted.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hDlg), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hList), nullptr);
    EXPECT_EQ(m_dlg.m_log.back(), "OnDestroy");
}

TEST_F(ModelessDialog, TemporaryObjectsStandInForUnboundWindows) {
    CWnd* pText = m_dlg.GetDlgItem(IDC_JAPANESE_TEXT);
    ASSERT_NE(pText, nullptr);
    EXPECT_EQ(pText, m_dlg.GetDlgItem(IDC_JAPANESE_TEXT)) << "one object per window";
    EXPECT_EQ(CWnd::FromHandlePermanent(pText->m_hWnd), nullptr);
    CString text;
    pText->GetWindowText(text);
    EXPECT_STREQ(text, "表示");
    EXPECT_EQ(m_dlg.GetDlgItem(4321), nullptr);
}

TEST(DoModalTest, OkButtonReachesOnOKAndEndsWithIDOK) {
    CProbeDlg dlg;
    dlg.m_strPostOnInit = "ok";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the window is gone when DoModal returns";
    EXPECT_NE(std::find(dlg.m_log.begin(), dlg.m_log.end(), "OnOK"), dlg.m_log.end());
    EXPECT_EQ(dlg.m_log.back(), "OnDestroy");
}

TEST(DoModalTest, EscapeKeyReachesOnCancelAndEndsWithIDCANCEL) {
    CProbeDlg dlg;
    dlg.m_strPostOnInit = "escape";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_NE(std::find(dlg.m_log.begin(), dlg.m_log.end(), "OnCancel"), dlg.m_log.end());
}

TEST(DoModalTest, MissingTemplateGivesMinusOne) {
    CDialog dlg(4711);
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST(MessageBoxTest, AfxMessageBoxIsCaptionedWithTheApplicationNameAndWarns) {
    MessageBoxRecorder recorder;
    EXPECT_EQ(AfxMessageBox("ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ"), IDOK);
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].text, "ﾚｼﾞｽﾄﾘｵｰﾌﾟﾝｴﾗｰ");
    EXPECT_EQ(recorder.Boxes()[0].caption, AfxGetApp()->m_pszExeName);
    EXPECT_EQ(recorder.Boxes()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST(MessageBoxTest, AnIconGivenByTheCallerIsKept) {
    MessageBoxRecorder recorder;
    AfxMessageBox("停止", MB_OK | MB_ICONHAND);
    ASSERT_EQ(recorder.Boxes().size(), 1u);
    EXPECT_EQ(recorder.Boxes()[0].icon, static_cast<UINT>(MB_ICONHAND));
}

TEST_F(ModelessDialog, WindowMessageBoxIsOwnedByTheWindow) {
    MessageBoxRecorder recorder;
    m_dlg.MessageBox("レジストリ更新失敗");
    m_dlg.MessageBox("テキスト\tmmio", "mmio", MB_OK);
    ASSERT_EQ(recorder.Boxes().size(), 2u);
    EXPECT_EQ(recorder.Boxes()[0].caption, AfxGetAppName()) << "a null caption is the application's name";
    EXPECT_EQ(recorder.Boxes()[0].text, "レジストリ更新失敗");
    EXPECT_EQ(recorder.Boxes()[0].icon, 0u);
    EXPECT_EQ(recorder.Boxes()[0].owner, m_dlg.m_hWnd);
    EXPECT_TRUE(recorder.Boxes()[0].ownerDisabled) << "modal to the dialog";
    EXPECT_EQ(recorder.Boxes()[1].caption, "mmio");
    EXPECT_EQ(recorder.Boxes()[1].text, "テキスト\tmmio");
}

TEST(CommandRoutingTest, CommandsTheDialogLeavesGoToTheApplication) {
    harness::WinHelpCatcher help;
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_PROBE));
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, ID_HELP, 0);
    dlg.DestroyWindow();
    ASSERT_EQ(help.Calls().size(), 1u);
    EXPECT_EQ(help.Calls()[0].command, static_cast<UINT>(HELP_CONTENTS));
    EXPECT_EQ(help.Calls()[0].file, AfxGetApp()->m_pszHelpFilePath);
}

}  // namespace
