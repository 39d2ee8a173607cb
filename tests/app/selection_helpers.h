// What the event and sound selection tests share: the dialog with its event
// rows found by key, and wave files lying directly in a drive's root.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "SchemeRules.h"
#include "app_fixture.h"

namespace apptest {

const char kNone[] = "(なし)";

// A short wave file directly in a root such as "C:\\", deleted at the end. The
// process id is in its name: other test executables list the same roots.
class RootWave {
public:
    RootWave(const std::string& root, const std::string& stem)
        : m_name(stem + "-" + std::to_string(GetCurrentProcessId()) + ".wav"), m_path(root + m_name) {
        std::string wave = harness::MakeWave(0.2);
        HANDLE hFile =
            CreateFileA(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (hFile == INVALID_HANDLE_VALUE ||
            !WriteFile(hFile, wave.data(), static_cast<DWORD>(wave.size()), &written, nullptr))
            ADD_FAILURE() << "cannot write " << m_path;
        if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    }
    ~RootWave() { DeleteFileA(m_path.c_str()); }
    RootWave(const RootWave&) = delete;
    RootWave& operator=(const RootWave&) = delete;

    const std::string& Name() const { return m_name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_name;
    std::string m_path;
};

class SelectionFixture : public SchemeTest {
protected:
    void TearDown() override {
        if (m_dlg && m_dlg->m_hWnd != nullptr) m_dlg->DestroyWindow();
    }
    void Open() {
        m_dlg = OpenDialog();
        m_hDlg = m_dlg->m_hWnd;
    }

    // The event list's row that shows the event of this key, or -1.
    int RowOf(const std::string& key) const {
        HWND hList = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
        int n = static_cast<int>(SendMessageA(hList, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < n; ++row) {
            auto index = static_cast<int>(SendMessageA(hList, LB_GETITEMDATA, row, 0));
            if (key == static_cast<LPCSTR>(m_dlg->Event(index)->GetKey())) return row;
        }
        return -1;
    }
    // The event's index in the dialog's table, or -1.
    int IndexOf(const std::string& key) const {
        for (int i = 0; i < m_dlg->EventCount(); ++i)
            if (key == static_cast<LPCSTR>(m_dlg->Event(i)->GetKey())) return i;
        return -1;
    }
    // Clicks the event's row.
    void ChooseEvent(const std::string& key) {
        int row = RowOf(key);
        ASSERT_NE(row, -1) << "no row for " << key;
        harness::SelectListItem(m_hDlg, IDC_EVENT_LIST, row);
    }
    void ChooseDrive(char letter) {
        std::vector<std::string> drives = Entries(m_hDlg, IDC_DRIVE_COMBO);
        auto it = std::find_if(drives.begin(), drives.end(), [&](const std::string& d) { return d[0] == letter; });
        ASSERT_NE(it, drives.end()) << letter;
        harness::SelectComboItem(m_hDlg, IDC_DRIVE_COMBO, static_cast<int>(it - drives.begin()));
    }
    void DoubleClick(const std::string& entry) {
        ASSERT_TRUE(ChooseFile(m_hDlg, entry)) << entry;
        harness::DoubleClickList(m_hDlg, IDC_FILE_LIST);
    }

    // The event's file as the dialog holds it now.
    std::string FileOf(const std::string& key) const {
        SoundEvent* pEvent = m_dlg->Find(key);
        if (pEvent == nullptr) return "<no event " + key + ">";
        CString file = pEvent->GetFile();
        return std::string(file, file.GetLength());
    }
    std::string SelectedFile() const {
        auto sel = static_cast<int>(SendDlgItemMessageA(m_hDlg, IDC_FILE_LIST, LB_GETCURSEL, 0, 0));
        return sel == LB_ERR ? "<nothing selected>" : harness::ListText(m_hDlg, IDC_FILE_LIST, sel);
    }
    std::vector<std::string> Files() const { return Entries(m_hDlg, IDC_FILE_LIST); }
    // What choosing this entry stores: the directory label, a backslash unless the
    // label ends in one (a root), and the entry.
    std::string Built(const std::string& entry) const {
        std::string label = Label(m_hDlg);
        return label + (scheme::EndsWithBackslash(label.data(), label.size()) ? "" : "\\") + entry;
    }
    // The label shows the directory in whatever letter case the system chooses.
    testing::AssertionResult ShowsDirectory(const std::string& directory) const {
        std::string label = Label(m_hDlg);
        if (label.size() == directory.size() && lstrcmpiA(label.c_str(), directory.c_str()) == 0)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the label shows \"" << label << "\", not \"" << directory << "\"";
    }

    std::unique_ptr<TestDlg> m_dlg;
    HWND m_hDlg = nullptr;
};

}  // namespace apptest
