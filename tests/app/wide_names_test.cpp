// Files, directories and stored values whose names code page 932 cannot hold:
// every entry the browser lists opens, plays and is stored as a path that opens.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <map>

#include "riff_builder.h"
#include "selection_helpers.h"

namespace {

using harness::MessageBoxRecorder;

const char kTest[] = "テスト(&T)";

std::wstring Wide(const std::string& narrow) {
    int n = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

void WriteWide(const std::wstring& path, const std::string& bytes) {
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (hFile == INVALID_HANDLE_VALUE ||
        !WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        ADD_FAILURE() << "cannot write a file named in UTF-16";
    if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
}

// The bytes of a file opened through the wide API by a narrow path; "" when it does not open.
std::string ReadWide(const std::string& path) {
    HANDLE hFile = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(GetFileSize(hFile, nullptr), '\0');
    DWORD got = 0;
    ReadFile(hFile, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(hFile);
    bytes.resize(got);
    return bytes;
}

class WideNameTest : public apptest::SelectionFixture {
protected:
    void SetUp() override {
        m_dir = std::make_unique<harness::TestDirectory>();
        m_root = Wide(m_dir->Path());
        // Tones of their own, so that the bytes tell which file was reached.
        m_waves["cafe"] = harness::MakeWave(0.3, 440);
        m_waves["notify"] = harness::MakeWave(0.3, 660);
        m_waves["cancion"] = harness::MakeWave(0.3, 550);
        m_waves["plain"] = harness::MakeWave(0.3, 330);
        WriteWide(m_root + L"\\caf\u00e9.wav", m_waves["cafe"]);
        WriteWide(m_root + L"\\\u901a\u77e5\U0001F514.wav", m_waves["notify"]);
        ASSERT_TRUE(CreateDirectoryW((m_root + L"\\M\u00fasica").c_str(), nullptr));
        WriteWide(m_root + L"\\M\u00fasica\\canci\u00f3n.wav", m_waves["cancion"]);
        m_dir->WriteFile("plain.wav", m_waves["plain"]);
    }
    void TearDown() override {
        SelectionFixture::TearDown();
        // The test directory's own clean-up speaks the code page: empty it here.
        DeleteFileW((m_root + L"\\caf\u00e9.wav").c_str());
        DeleteFileW((m_root + L"\\\u901a\u77e5\U0001F514.wav").c_str());
        DeleteFileW((m_root + L"\\M\u00fasica\\canci\u00f3n.wav").c_str());
        DeleteFileW((m_root + L"\\M\u00fasica\\tone.wav").c_str());
        RemoveDirectoryW((m_root + L"\\M\u00fasica").c_str());
        m_dir.reset();
    }
    // Which of the written waves a file holds, or "" for none.
    std::string WhichWave(const std::string& bytes) const {
        for (const auto& wave : m_waves)
            if (!bytes.empty() && bytes == wave.second) return wave.first;
        return std::string();
    }
    // Chooses the entry, checks what is stored and plays it; the wave reached.
    std::string ChooseAndPlay(const std::string& entry) {
        MessageBoxRecorder boxes;
        if (!ChooseFile(m_hDlg, entry)) return "<not listed>";
        EXPECT_TRUE(boxes.Boxes().empty()) << entry << ": " << harness::Describe(boxes.Boxes().front());
        std::string stored = FileOf("A");
        std::string reached = WhichWave(ReadWide(stored));
        EXPECT_NE(reached, "") << "the stored path " << stored << " does not open";
        harness::ClearCapturedSound();
        harness::ClickButton(m_hDlg, IDC_TEST);
        EXPECT_TRUE(
            harness::PumpUntil([&] { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)) == kTest; }, 10000))
            << entry << " did not end playing";
        if (!reached.empty()) {
            EXPECT_TRUE(harness::AudibleSamples(harness::CapturedSound()) ==
                        harness::AudibleSamples(m_waves[reached].substr(44)))
                << entry << ": the file's samples did not reach the sound device";
        }
        EXPECT_TRUE(boxes.Boxes().empty()) << entry << ": " << harness::Describe(boxes.Boxes().front());
        return reached;
    }

    std::unique_ptr<harness::TestDirectory> m_dir;
    std::wstring m_root;
    std::map<std::string, std::string> m_waves;
};

TEST_F(WideNameTest, EveryListedEntryOpensPlaysAndIsStoredAsAPathThatOpens) {
    AddEvent("A", "あ", (*m_dir / "plain.wav").c_str());
    Open();
    ASSERT_TRUE(ShowsDirectory(m_dir->Path()));
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 6u) << "(なし), three wave files, [..] and one directory";
    EXPECT_EQ(files[0], apptest::kNone);
    std::map<std::string, int> reached;
    std::string directory;
    for (const std::string& entry : files) {
        EXPECT_EQ(entry.find('?'), std::string::npos) << entry << " lost characters";
        if (entry == apptest::kNone || entry == "[..]") continue;
        if (entry[0] == '[') {
            directory = entry;
            continue;
        }
        ++reached[ChooseAndPlay(entry)];
    }
    EXPECT_EQ(reached, (std::map<std::string, int>{{"cafe", 1}, {"notify", 1}, {"plain", 1}}));

    // Into the directory whose name the code page cannot hold, and back.
    ASSERT_NE(directory, "");
    DoubleClick(directory);
    std::string label = Label(m_hDlg);
    DWORD attributes = GetFileAttributesW(Wide(label).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << "the label " << label << " names no directory";
    EXPECT_EQ(label.find('?'), std::string::npos) << label;
    files = Files();
    ASSERT_EQ(files.size(), 3u) << "(なし), the file and [..]";
    std::string inner = files[1] == "[..]" ? files[2] : files[1];
    EXPECT_EQ(ChooseAndPlay(inner), "cancion");
    std::string stored = FileOf("A");

    // The event's file lies below that directory: choosing the event finds it.
    ChooseEvent("A");
    EXPECT_EQ(lstrcmpiA(Label(m_hDlg).c_str(), label.c_str()), 0) << Label(m_hDlg);
    EXPECT_EQ(SelectedFile(), inner);
    harness::ClickButton(m_hDlg, IDOK);
    harness::RegValue value;
    ASSERT_TRUE(m_reg.GetValue(apptest::kApps + "\\A\\.Current", "", &value));
    EXPECT_EQ(value.data, stored + std::string(1, '\0'));
    EXPECT_EQ(WhichWave(ReadWide(stored)), "cancion") << "OK stored a path that opens";
}

// A .Current value as another program stores it, in UTF-16.
void SetWideValue(HKEY hRoot, const std::string& key, const std::wstring& text) {
    HKEY hKey;
    ASSERT_EQ(RegCreateKeyExW(hRoot, Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(hKey, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(hKey);
}

// A value's exact UTF-16 bytes, read through the wide API.
std::wstring WideValue(HKEY hRoot, const std::string& key) {
    WCHAR data[1024] = L"";
    DWORD type = 0, size = sizeof data;
    if (RegGetValueW(hRoot, Wide(key).c_str(), L"", RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return std::wstring(data, size / sizeof(WCHAR));
}

TEST_F(WideNameTest, ValuesStoredInUtf16AreShownPlayedAndKeptAsTheyWere) {
    std::string current = apptest::kApps + "\\";
    AddEvent("Cafe", "あ");
    SetWideValue(m_reg.Root(), current + "Cafe\\.Current", m_root + L"\\caf\u00e9.wav");
    AddEvent("Song", "い");
    SetWideValue(m_reg.Root(), current + "Song\\.Current", m_root + L"\\M\u00fasica\\canci\u00f3n.wav");
    AddEvent("Missing", "う");
    SetWideValue(m_reg.Root(), current + "Missing\\.Current", m_root + L"\\d\u00e9j\u00e0.wav");
    AddEvent("Plain", "え", (*m_dir / "plain.wav").c_str());
    std::wstring cafe = WideValue(m_reg.Root(), current + "Cafe\\.Current");
    std::wstring song = WideValue(m_reg.Root(), current + "Song\\.Current");
    std::wstring missing = WideValue(m_reg.Root(), current + "Missing\\.Current");
    Open();
    MessageBoxRecorder boxes;
    for (const char* key : {"Cafe", "Song"}) {
        SCOPED_TRACE(key);
        ChooseEvent(key);
        std::string shown = Label(m_hDlg) + "\\" + SelectedFile();
        EXPECT_NE(SelectedFile(), apptest::kNone);
        std::string wave = std::string(key) == "Cafe" ? "cafe" : "cancion";
        EXPECT_EQ(WhichWave(ReadWide(shown)), wave) << shown;
        harness::ClearCapturedSound();
        harness::ClickButton(m_hDlg, IDC_TEST);
        EXPECT_TRUE(
            harness::PumpUntil([&] { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)) == kTest; }, 10000));
        EXPECT_TRUE(harness::AudibleSamples(harness::CapturedSound()) ==
                    harness::AudibleSamples(m_waves[wave].substr(44)))
            << "the file's samples did not reach the sound device";
    }
    ChooseEvent("Missing");
    EXPECT_EQ(SelectedFile(), apptest::kNone) << "a value naming no file is no sound";
    EXPECT_TRUE(boxes.Boxes().empty()) << harness::Describe(boxes.Boxes().front());

    // Untouched, the values survive OK in UTF-16, character for character.
    ChooseEvent("Plain");
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_TRUE(WideValue(m_reg.Root(), current + "Cafe\\.Current") == cafe);
    EXPECT_TRUE(WideValue(m_reg.Root(), current + "Song\\.Current") == song);
    EXPECT_TRUE(WideValue(m_reg.Root(), current + "Missing\\.Current") == missing);
}

// Sounds stored as today's systems and other programs store them: expandable,
// in other letter case, with '/', in UTF-16, expanding to a folder outside the
// code page (a profile folder such as C:\Users\Zoë).
class StoredFormsTest : public WideNameTest {
protected:
    void SetUp() override {
        WideNameTest::SetUp();
        ASSERT_TRUE(SetEnvironmentVariableW(L"ZORVAND_TEST_DIR", m_root.c_str()));
        ASSERT_TRUE(SetEnvironmentVariableW(L"ZORVAND_MUSICA", (m_root + L"\\M\u00fasica").c_str()));
        m_toneSamples = harness::MakeWave(0.3, 770).substr(44);
        m_waves["tone"] = riff::Wave(riff::Chunk("data", m_toneSamples) +
                                     riff::List("INFO", riff::Chunk("ISBJ", std::string("音色") + '\0')));
        WriteWide(m_root + L"\\M\u00fasica\\tone.wav", m_waves["tone"]);
        std::string slashed = m_dir->Path();
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        std::string upper = *m_dir / "PLAIN.WAV";
        CharUpperA(&upper[0]);
        std::string current = apptest::kApps + "\\";
        for (const char* key : {"Expand", "Upper", "Slash", "Wide", "Music", "Binary"}) AddEvent(key, key);
        m_reg.SetString(current + "Expand\\.Current", "", "%ZORVAND_TEST_DIR%\\plain.wav", REG_EXPAND_SZ);
        m_reg.SetString(current + "Upper\\.Current", "", upper);
        m_reg.SetString(current + "Slash\\.Current", "", slashed + "/plain.wav");
        SetWideValue(m_reg.Root(), current + "Wide\\.Current", m_root + L"\\caf\u00e9.wav");
        m_reg.SetString(current + "Music\\.Current", "", "%ZORVAND_MUSICA%\\tone.wav", REG_EXPAND_SZ);
        m_reg.SetValue(current + "Binary\\.Current", "", REG_BINARY, "\x01\x02");
    }
    bool WaitForTestCaption() {
        return harness::PumpUntil([&] { return harness::WindowText(GetDlgItem(m_hDlg, IDC_TEST)) == kTest; }, 10000);
    }
    std::string m_toneSamples;
};

TEST_F(StoredFormsTest, ChoosingTheFileAnEventPlaysChangesNothing) {
    std::vector<std::string> before = m_reg.Dump("AppEvents");
    Open();
    HWND hFiles = GetDlgItem(m_hDlg, IDC_FILE_LIST);
    struct Row {
        const char* key;
        const char* wave;  // the wave the shown entry holds; "" for (なし)
    } rows[] = {{"Expand", "plain"}, {"Upper", "plain"}, {"Slash", "plain"}, {"Wide", "cafe"}, {"Music", "tone"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        ChooseEvent(row.key);
        const std::string shown = SelectedFile();
        // The entry shown is the file the value names: its bytes tell which.
        EXPECT_EQ(shown == apptest::kNone ? "" : WhichWave(ReadWide(Built(shown))), row.wave) << shown;
        // A click, a double-click that plays it, and the arrow keys leaving and coming back.
        ChooseFile(m_hDlg, shown);
        DoubleClick(shown);
        EXPECT_TRUE(WaitForTestCaption());
        for (UINT key : {VK_DOWN, VK_UP, VK_UP, VK_DOWN}) {
            SendMessageA(hFiles, WM_KEYDOWN, key, 0);
            SendMessageA(hFiles, WM_KEYUP, key, 0);
        }
        ChooseFile(m_hDlg, shown);
        EXPECT_FALSE(m_dlg->Find(row.key)->IsAssigned());
    }
    harness::ClickButton(m_hDlg, IDOK);
    EXPECT_EQ(m_reg.Dump("AppEvents"), before) << "every value stays byte for byte";
}

TEST_F(StoredFormsTest, AnExpansionOutsideTheCodePageIsShownPreviewedAndPlayed) {
    Open();
    ChooseEvent("Music");
    DWORD attributes = GetFileAttributesW(Wide(Label(m_hDlg)).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << Label(m_hDlg);
    ASSERT_EQ(SelectedFile(), "tone.wav");
    EXPECT_EQ(std::string(m_dlg->m_strDescription), "音色");
    harness::ClearCapturedSound();
    harness::ClickButton(m_hDlg, IDC_TEST);
    EXPECT_TRUE(WaitForTestCaption());
    EXPECT_TRUE(harness::AudibleSamples(harness::CapturedSound()) == harness::AudibleSamples(m_toneSamples))
        << "the file's samples did not reach the sound device";
}

}  // namespace
