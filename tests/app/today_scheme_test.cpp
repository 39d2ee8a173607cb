// A sound scheme laid out as today's Windows keeps it: localised event names in
// a resource library that DispFileName points to, sounds stored as REG_EXPAND_SZ
// below %SystemRoot%\media, and events the system's sound settings hide.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include "riff_builder.h"
#include "selection_helpers.h"

namespace {

using apptest::kApps;
using apptest::kLabels;
using apptest::kNone;
using harness::MessageBoxRecorder;

const char kTest[] = "テスト(&T)";

// Wave files in the prefix's %SystemRoot%\media, named after this process so
// that no other test process meets them; deleted with the object, and so is the
// directory when it was made here.
class MediaFiles {
public:
    MediaFiles() {
        char szRoot[MAX_PATH] = "";
        GetEnvironmentVariableA("SystemRoot", szRoot, MAX_PATH);
        m_directory = std::string(szRoot) + "\\media";
        m_bCreated = CreateDirectoryA(m_directory.c_str(), nullptr) != FALSE;
    }
    ~MediaFiles() {
        for (const std::string& name : m_names) DeleteFileA(Expanded(name).c_str());
        if (m_bCreated) RemoveDirectoryA(m_directory.c_str());
    }
    MediaFiles(const MediaFiles&) = delete;
    MediaFiles& operator=(const MediaFiles&) = delete;

    // Writes the file; returns its name in the directory.
    std::string Add(const std::string& stem, const std::string& bytes) {
        std::string name = stem + "-" + std::to_string(GetCurrentProcessId()) + ".wav";
        HANDLE hFile = CreateFileA(Expanded(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (hFile == INVALID_HANDLE_VALUE ||
            !WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            ADD_FAILURE() << "cannot write " << Expanded(name);
        if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
        m_names.push_back(name);
        return name;
    }
    // The value today's Windows stores for the file, and the path it names.
    static std::string Stored(const std::string& name) { return "%SystemRoot%\\media\\" + name; }
    std::string Expanded(const std::string& name) const { return m_directory + "\\" + name; }
    const std::string& Directory() const { return m_directory; }

private:
    std::string m_directory;
    bool m_bCreated = false;
    std::vector<std::string> m_names;
};

// A 2 x 2 true-colour picture, all one colour.
riff::Bytes Picture() {
    std::string row = "\x10\x20\xF0\x10\x20\xF0";
    return riff::InfoHeader(2, 2, 24) + row + std::string(2, '\0') + row + std::string(2, '\0');
}

class TodaySchemeTest : public apptest::SelectionFixture {
protected:
    void SetUp() override {
        // The library lies in a directory whose name only code page 932 spells.
        m_dir.MakeDirectory("名前");
        m_library = m_dir / "名前\\event_names.dll";
        ASSERT_TRUE(CopyFileA(harness::WindowsPath(ZORVAND_EVENT_NAMES_DLL).c_str(), m_library.c_str(), FALSE))
            << GetLastError();
        m_samples = harness::MakeWave(0.2).substr(44);
        m_ding = m_media.Add("ZORVAND ベル",
                             riff::Wave(riff::Chunk("data", m_samples) +
                                        riff::List("INFO", riff::Chunk("ISBJ", std::string("ベルの音") + '\0')) +
                                        riff::Chunk("DISP", riff::DispData(CF_DIB, Picture()))));
        m_chord = m_media.Add("ZORVAND Chord", harness::MakeWave(0.1));
        m_dir.WriteFile("mail.wav", harness::MakeWave(0.1));
    }

    std::string Indirect(int id) const { return "@" + m_library + "," + std::to_string(id); }
    void SetLabel(const std::string& key, const std::string& name, const std::string& text, DWORD type = REG_SZ) {
        m_reg.SetString(kLabels + "\\" + key, name, text, type);
    }
    void Exclude(const std::string& key, DWORD value) {
        m_reg.SetValue(kLabels + "\\" + key, "ExcludeFromCPL", REG_DWORD,
                       std::string(reinterpret_cast<const char*>(&value), sizeof value));
    }
    void Sound(const std::string& key, const std::string& value, DWORD type) {
        m_reg.SetString(kApps + "\\" + key + "\\.Current", "", value, type);
    }
    // The name of the value that the registry enumerates first in a label key.
    std::string FirstLabelValue(const std::string& key) const {
        HKEY hKey;
        char szName[256] = "?";
        DWORD nName = sizeof szName;
        if (RegOpenKeyExA(m_reg.Root(), (kLabels + "\\" + key).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return "<no key>";
        RegEnumValueA(hKey, 0, szName, &nName, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(hKey);
        return szName;
    }

    // The scheme of a Windows installation of today, with the cases around it.
    void WriteTodaysScheme() {
        // The default value comes first, the name from the library wins.
        SetLabel(".Default", "", "Default Beep");
        SetLabel(".Default", "DispFileName", Indirect(-5824));
        Sound(".Default", MediaFiles::Stored(m_ding), REG_EXPAND_SZ);
        // No default value: DispFileName is the first value, as the old rule would show it.
        SetLabel("SystemAsterisk", "DispFileName", Indirect(-5825));
        Sound("SystemAsterisk", MediaFiles::Stored(m_chord), REG_EXPAND_SZ);
        // A hiding value of zero hides nothing, nor does one that is not a number.
        SetLabel("SystemHand", "DispFileName", Indirect(-5826));
        Exclude("SystemHand", 0);
        Sound("SystemHand", "%ZORVAND_NOT_SET%\\media\\x.wav", REG_EXPAND_SZ);
        SetLabel("Minimize", "", "Minimize");
        SetLabel("Minimize", "DispFileName", Indirect(-5829));
        SetLabel("Minimize", "ExcludeFromCPL", "1");
        Sound("Minimize", "%SystemRoot%\\media\\" + std::string(300, 'x') + ".wav", REG_EXPAND_SZ);
        // A library named through an environment variable, as Windows names its own.
        SetEnvironmentVariableA("ZORVAND_NAMES", (m_dir / "名前").c_str());
        SetLabel("Maximize", "", "Maximize");
        SetLabel("Maximize", "DispFileName", "@%ZORVAND_NAMES%\\event_names.dll,-5828", REG_EXPAND_SZ);
        Sound("Maximize", "", REG_SZ);
        // The first value is not REG_SZ; the library's name still counts.
        SetLabel("MailBeep", "", "%MailLabel%", REG_EXPAND_SZ);
        SetLabel("MailBeep", "DispFileName", Indirect(-5827));
        Sound("MailBeep", m_dir / "mail.wav", REG_SZ);
        // Hidden, with a sound and without one.
        SetLabel("CCSelect", "", "Select");
        SetLabel("CCSelect", "DispFileName", Indirect(-5840));
        Exclude("CCSelect", 1);
        Sound("CCSelect", MediaFiles::Stored(m_chord), REG_EXPAND_SZ);
        SetLabel("Hidden", "", "隠し");
        Exclude("Hidden", 7);
        m_reg.CreateKey(kApps + "\\Hidden");
        // Names that cannot be had: no such string, no such library, no code page
        // 932 form (é). The default value stands in; without one, the first value.
        SetLabel("NoString", "", "予備の名前");
        SetLabel("NoString", "DispFileName", Indirect(-9999));
        Sound("NoString", "", REG_SZ);
        SetLabel("NoLibrary", "", "ライブラリなし");
        SetLabel("NoLibrary", "DispFileName", "@D:\\nowhere\\none.dll,-5824");
        Sound("NoLibrary", "", REG_SZ);
        SetLabel("Unmappable", "", "カフェ");
        SetLabel("Unmappable", "DispFileName", Indirect(-5850));
        Sound("Unmappable", "", REG_SZ);
        SetLabel("NoDefault", "DispFileName", Indirect(-9999));
        SetLabel("NoDefault", "Name", "名前の値");
        Sound("NoDefault", "", REG_SZ);
        // Nothing usable at all: not listed.
        SetLabel("Lost", "", "%Lost%", REG_EXPAND_SZ);
        SetLabel("Lost", "DispFileName", Indirect(-9999));
        m_reg.CreateKey(kApps + "\\Lost");
        // The old layout beside it.
        SetLabel("Old", "", "旧式の音");
        Sound("Old", m_dir / "mail.wav", REG_SZ);
    }
    // Every row's key and label, from the top.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        HWND hList = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
        int n = static_cast<int>(SendMessageA(hList, LB_GETCOUNT, 0, 0));
        for (int row = 0; row < n; ++row) {
            SoundEvent* pEvent = m_dlg->Event(static_cast<int>(SendMessageA(hList, LB_GETITEMDATA, row, 0)));
            rows.push_back(std::string(pEvent->GetKey()) + "=" + std::string(pEvent->GetLabel()));
        }
        return rows;
    }

    harness::TestDirectory m_dir;
    MediaFiles m_media;
    std::string m_library;
    std::string m_samples;
    std::string m_ding;
    std::string m_chord;
};

TEST_F(TodaySchemeTest, LocalisedNamesAreListedSortedWithoutHiddenEvents) {
    WriteTodaysScheme();
    ASSERT_EQ(FirstLabelValue("SystemAsterisk"), "DispFileName");
    ASSERT_EQ(FirstLabelValue("NoDefault"), "DispFileName");
    ASSERT_EQ(FirstLabelValue(".Default"), "");
    MessageBoxRecorder boxes;
    Open();
    std::string raw = Indirect(-9999);
    // The locale's order: kana, then kanji by their reading.
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          "NoDefault=" + raw,
                          "Unmappable=カフェ",
                          "SystemHand=システム エラー",
                          "SystemAsterisk=メッセージ (情報)",
                          "NoLibrary=ライブラリなし",
                          ".Default=一般の警告音",
                          "Old=旧式の音",
                          "Minimize=最小化",
                          "Maximize=最大化",
                          "MailBeep=新着メール通知",
                          "NoString=予備の名前",
                      }));
    EXPECT_EQ(m_dlg->EventCount(), 11) << "hidden and unlabelled events are not in the table";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(TodaySchemeTest, ExpandableSoundIsShownPreviewedAndPlayed) {
    WriteTodaysScheme();
    Open();
    ChooseEvent("Old");
    ASSERT_TRUE(ShowsDirectory(m_dir.Path()));
    harness::ClearCapturedSound();

    ChooseEvent(".Default");
    EXPECT_TRUE(ShowsDirectory(m_media.Directory()));
    EXPECT_EQ(SelectedFile(), m_ding);
    ASSERT_NE(m_dlg->m_pDIBitmap, nullptr) << "the picture of the expanded file";
    EXPECT_EQ(std::string(m_dlg->m_strDescription), "ベルの音");
    EXPECT_EQ(FileOf(".Default"), "") << "no REG_SZ file: the stored value is kept as it is";
    EXPECT_EQ(std::string(m_dlg->Find(".Default")->GetSoundPath()), m_media.Expanded(m_ding));

    harness::ClickButton(m_hDlg, IDC_TEST);
    ASSERT_TRUE(harness::PumpUntil([&] { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)) == kTest; }, 10000));
    EXPECT_TRUE(harness::AudibleSamples(harness::CapturedSound()) == harness::AudibleSamples(m_samples))
        << "the expanded file's samples reached the sound device: " << harness::CapturedSound().size() << " bytes";

    ChooseEvent("SystemAsterisk");
    EXPECT_TRUE(ShowsDirectory(m_media.Directory()));
    EXPECT_EQ(SelectedFile(), m_chord);
    EXPECT_EQ(m_dlg->m_pDIBitmap, nullptr);
    EXPECT_EQ(std::string(m_dlg->m_strDescription), "");
}

TEST_F(TodaySchemeTest, ExpansionsThatNameNoPathAreNoSound) {
    WriteTodaysScheme();
    Open();
    for (const char* key : {"SystemHand", "Minimize"}) {
        SCOPED_TRACE(key);
        ChooseEvent(".Default");
        ASSERT_EQ(SelectedFile(), m_ding);
        std::string shownLabel = Label(m_hDlg);
        ChooseEvent(key);
        EXPECT_EQ(SelectedFile(), kNone);
        EXPECT_EQ(m_dlg->m_pDIBitmap, nullptr);
        EXPECT_EQ(std::string(m_dlg->m_strDescription), "");
        EXPECT_EQ(Label(m_hDlg), shownLabel) << "the browser did not move";
    }
    EXPECT_EQ(std::string(m_dlg->Find("SystemHand")->GetSoundPath()), "%ZORVAND_NOT_SET%\\media\\x.wav")
        << "a variable that is not set stays as written";
    EXPECT_EQ(m_dlg->Find("Minimize")->GetSoundPath().GetLength(), 0) << "longer than a path";
}

TEST_F(TodaySchemeTest, LoudspeakerBesideExpandableSounds) {
    WriteTodaysScheme();
    Open();
    HWND hList = GetDlgItem(m_hDlg, IDC_EVENT_LIST);
    SetForegroundWindow(m_hDlg);
    int height = static_cast<int>(SendMessageA(hList, LB_GETITEMHEIGHT, 0, 0));
    // Whether the icon's red shows in the row's square.
    auto loudspeaker = [&](const std::string& key) {
        int row = RowOf(key);
        SendMessageA(hList, LB_SETTOPINDEX, row, 0);
        UpdateWindow(hList);
        harness::PumpMessages(20);
        int top = (row - static_cast<int>(SendMessageA(hList, LB_GETTOPINDEX, 0, 0))) * height;
        HDC hdc = GetDC(hList);
        bool red = false;
        for (int y = top + 2; y <= top + std::min(12, height - 1); ++y)
            for (int x = 1; x <= 14; ++x) red = red || GetPixel(hdc, x, y) == RGB(255, 0, 0);
        ReleaseDC(hList, hdc);
        return red;
    };
    EXPECT_TRUE(loudspeaker(".Default"));
    EXPECT_TRUE(loudspeaker("SystemAsterisk"));
    EXPECT_TRUE(loudspeaker("MailBeep"));
    EXPECT_FALSE(loudspeaker("SystemHand"));
    EXPECT_FALSE(loudspeaker("Minimize"));
    EXPECT_FALSE(loudspeaker("NoString"));
}

TEST_F(TodaySchemeTest, OkWithoutChangesLeavesTheWholeTreeByteIdentical) {
    WriteTodaysScheme();
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    Open();
    // Looking at every event changes nothing either.
    for (const std::string& row : Rows()) ChooseEvent(row.substr(0, row.find('=')));
    MessageBoxRecorder boxes;
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(m_reg.Dump("AppEvents"), before);
    EXPECT_FALSE(m_reg.KeyExists(kApps + "\\Hidden\\.Current")) << "a hidden event is not written";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(TodaySchemeTest, AnAssignmentIsWrittenAsRegSzAndTheOtherExpandableValuesStay) {
    WriteTodaysScheme();
    harness::RegValue asterisk;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\SystemAsterisk\\.Current", "", &asterisk));
    harness::RegValue hidden;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\CCSelect\\.Current", "", &hidden));
    Open();
    ChooseEvent(".Default");
    ASSERT_TRUE(ChooseFile(m_hDlg, m_chord));
    std::string chord = Built(m_chord);
    EXPECT_EQ(lstrcmpiA(chord.c_str(), m_media.Expanded(m_chord).c_str()), 0) << chord;
    EXPECT_EQ(std::string(m_dlg->Find(".Default")->GetSoundPath()), chord);
    ChooseEvent("SystemAsterisk");
    ASSERT_EQ(SelectedFile(), m_chord);
    ChooseEvent("NoString");
    ChooseEvent(".Default");
    EXPECT_EQ(SelectedFile(), m_chord) << "the assignment is what the event shows now";
    ChooseEvent("NoString");
    ChooseDrive('C');
    ASSERT_TRUE(ShowsDirectory(m_media.Directory())) << "C: remembers the media directory";
    ASSERT_TRUE(ChooseFile(m_hDlg, m_ding));
    std::string ding = Built(m_ding);
    harness::ClickButton(m_hDlg, IDOK);

    harness::RegValue value;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\.Default\\.Current", "", &value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, chord + std::string(1, '\0')) << "the expanded path, as chosen";
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\NoString\\.Current", "", &value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, ding + std::string(1, '\0'));
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\SystemAsterisk\\.Current", "", &value));
    EXPECT_EQ(value, asterisk) << "looked at, left as stored";
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\CCSelect\\.Current", "", &value));
    EXPECT_EQ(value, hidden);
}

TEST_F(TodaySchemeTest, NoneOnAnExpandableSoundWritesTheEmptyRegSz) {
    WriteTodaysScheme();
    Open();
    ChooseEvent(".Default");
    ASSERT_EQ(SelectedFile(), m_ding);
    ASSERT_TRUE(ChooseFile(m_hDlg, kNone));
    harness::ClickButton(m_hDlg, IDOK);
    harness::RegValue value;
    ASSERT_TRUE(m_reg.GetValue(kApps + "\\.Default\\.Current", "", &value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, std::string(1, '\0'));
}

}  // namespace
