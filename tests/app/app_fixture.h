// The real sound control dialog on a private registry, for tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SoundControlDlg.h"
#include "SoundEvent.h"
#include "dialog_driver.h"
#include "message_box_recorder.h"
#include "registry_sandbox.h"
#include "test_files.h"

namespace apptest {

const std::string kApps = "AppEvents\\Schemes\\Apps\\.Default";
const std::string kLabels = "AppEvents\\EventLabels";

// The dialog with its state in reach of the tests.
class TestDlg : public CSoundControlDlg {
public:
    // The dialog on the test's registry root.
    explicit TestDlg(HKEY hRoot) : CSoundControlDlg(nullptr, hRoot) {}

    using CSoundControlDlg::m_nCurrentEvent;
    using CSoundControlDlg::m_pDIBitmap;
    using CSoundControlDlg::m_pPalette;
    using CSoundControlDlg::m_rcDescription;
    using CSoundControlDlg::m_rcPicture;
    using CSoundControlDlg::m_strDescription;
    using CSoundControlDlg::RefreshFileList;

    // The events of the application shown, .Default before any is.
    const CObArray& Events() const { return m_store.GetEvents(m_strApp.empty() ? L".Default" : m_strApp); }
    int EventCount() const { return static_cast<int>(Events().GetSize()); }
    SoundEvent* Event(int i) const { return reinterpret_cast<SoundEvent*>(Events().GetAt(i)); }
    // The event of the given key, or null.
    SoundEvent* Find(const std::string& key) const {
        for (int i = 0; i < EventCount(); ++i)
            if (key == static_cast<LPCSTR>(Event(i)->GetKey())) return Event(i);
        return nullptr;
    }

    // What a palette display would answer to realising the dialog's palette; a
    // negative value leaves the answer to this display. Every palette realised is noted.
    int m_nRealizeResult = -1;
    std::vector<HPALETTE> m_realized;
    using CSoundControlDlg::SetPalette;

protected:
    UINT RealizeDialogPalette(CDC& dc) override {
        m_realized.push_back(static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL)));
        UINT nReal = CSoundControlDlg::RealizeDialogPalette(dc);
        return m_nRealizeResult < 0 ? nReal : static_cast<UINT>(m_nRealizeResult);
    }
};

// A registry sandbox with helpers that write a sound scheme the way Windows stores it.
class SchemeTest : public testing::Test {
protected:
    // An event with a label and, unless file is null, a .Current value.
    void AddEvent(const std::string& key, const std::string& label, const char* file = nullptr,
                  DWORD fileType = REG_SZ) {
        m_reg.SetString(kLabels + "\\" + key, "", label);
        m_reg.CreateKey(kApps + "\\" + key);
        if (file != nullptr) m_reg.SetString(kApps + "\\" + key + "\\.Current", "", file, fileType);
    }
    void CreateApp() { m_reg.CreateKey(kApps); }

    // Creates the dialog modeless, as DoModal would but without its loop.
    std::unique_ptr<TestDlg> OpenDialog() {
        auto dlg = std::make_unique<TestDlg>(m_reg.Root());
        EXPECT_TRUE(dlg->Create(IDD_SOUNDCONTROL_DIALOG));
        harness::PumpMessages();
        return dlg;
    }

    // Every entry of a list box, from the top.
    static std::vector<std::string> Entries(HWND hDlg, int nID) {
        std::vector<std::string> out;
        HWND hCtl = GetDlgItem(hDlg, nID);
        bool combo = nID == IDC_DRIVE_COMBO || nID == IDC_APP_COMBO;
        int n = static_cast<int>(SendMessageA(hCtl, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char text[1024] = "";
            SendMessageA(hCtl, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            out.emplace_back(text);
        }
        return out;
    }
    // Selects the list entry with this text, as a click would; false when there is none.
    static bool ChooseFile(HWND hDlg, const std::string& text) {
        HWND hList = GetDlgItem(hDlg, IDC_FILE_LIST);
        auto index =
            SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
        if (index == LB_ERR) return false;
        harness::SelectListItem(hDlg, IDC_FILE_LIST, static_cast<int>(index));
        return true;
    }
    static std::string Label(HWND hDlg) { return harness::WindowText(GetDlgItem(hDlg, IDC_DIRECTORY_LABEL)); }

    harness::RegistrySandbox m_reg;
};

}  // namespace apptest
