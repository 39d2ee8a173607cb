// Schemes taken in from theme files and packs and written out as them, through
// the sound settings and the system's own file dialogs, on the real (sandboxed)
// registry and real files; packs made and read by the distribution's cabinet
// tools.
#include <fstream>
#include <iterator>
#include <map>

#include "app_fixture.h"
// after windows.h
#include <dlgs.h>

namespace {

using harness::MessageBoxRecorder;

const char kSettings[] = "サウンド設定";
const std::wstring kApps = L"AppEvents\\Schemes\\Apps\\";

std::wstring Wide(const std::string& text) {
    return scheme::Widen(text.c_str());
}

// A theme's text as the system writes it: UTF-16 LE with its mark, CR LF.
std::string Utf16(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        if (c == L'\n') bytes += {'\r', '\0'};
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    return bytes;
}

std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SchemeSharingTest : public apptest::SchemeTest {
protected:
    void SetUp() override {
        AddEvent("A", "エー", "C:\\a-now.wav");
        AddEvent("B", "ビー", "");
        AddEvent("C", "シー", "");
        m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\.Current", "", "C:\\f-now.wav");
        m_reg.SetString("AppEvents\\Schemes\\Names\\x1", "", "ベータ");
        m_reg.SetString(apptest::kApps + "\\A\\x1", "", "%SystemRoot%\\a.wav", REG_EXPAND_SZ);
        m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\x1", "", "C:\\f.wav");
        // Packs are unpacked below the test's own directory.
        m_dir.MakeDirectory("local");
        GetEnvironmentVariableA("LOCALAPPDATA", m_szLocal, MAX_PATH);
        SetEnvironmentVariableA("LOCALAPPDATA", (m_dir / "local").c_str());
        m_dlg = OpenDialog();
    }
    void TearDown() override {
        m_dlg->DestroyWindow();
        SetEnvironmentVariableA("LOCALAPPDATA", m_szLocal);
    }

    // Opens the sound settings, chooses the scheme shown with the text (none for
    // null), presses the button and answers the file dialog with the path; the
    // settings list's chosen entry afterwards.
    std::string InSettings(int nButton, const char* pszDialog, const std::string& path, const char* pszScheme = "") {
        std::string chosen;
        harness::WhenShown(kSettings, [&](HWND hSettings) {
            HWND hList = GetDlgItem(hSettings, IDC_SCHEME_LIST);
            SendMessageA(
                hList, LB_SETCURSEL,
                SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszScheme)),
                0);
            harness::WhenShown(pszDialog, [&](HWND hFiles) {
                SetDlgItemTextW(hFiles, cmb13, Wide(path).c_str());
                harness::ClickButton(hFiles, IDOK);
            });
            harness::ClickButton(hSettings, nButton);
            auto nChosen = static_cast<int>(SendMessageA(hList, LB_GETCURSEL, 0, 0));
            chosen = harness::ListText(hSettings, IDC_SCHEME_LIST, nChosen);
            harness::ClickButton(hSettings, IDCANCEL);
        });
        SendMessageA(m_dlg->m_hWnd, WM_SYSCOMMAND, IDM_SCHEMES, 0);
        return chosen;
    }
    std::string Import(const std::string& path) { return InSettings(IDC_SCHEME_IMPORT, "スキームの読み込み", path); }
    void Export(const char* pszScheme, const std::string& path) {
        InSettings(IDC_SCHEME_EXPORT, "スキームの書き出し", path, pszScheme);
    }

    // "type:text" of a default value, read in UTF-16; "-" when there is none.
    std::wstring Get(const std::wstring& path) {
        wchar_t data[1024] = L"";
        DWORD type = 0;
        DWORD size = sizeof data;
        if (RegGetValueW(m_reg.Root(), path.c_str(), L"", RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) !=
            ERROR_SUCCESS)
            return L"-";
        return std::to_wstring(type) + L":" + data;
    }
    // Every event's value in the scheme of the id, by "app\event".
    std::map<std::wstring, std::wstring> SchemeValues(const std::wstring& id) {
        std::map<std::wstring, std::wstring> values;
        for (const wchar_t* event : {L".Default\\A", L".Default\\B", L".Default\\C", L"Other\\F"}) {
            std::wstring value = Get(kApps + event + L"\\" + id);
            if (value != L"-") values[event] = value;
        }
        return values;
    }
    // How many folders taking in packs made.
    int PackFolders() const {
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA((m_dir / "local\\ZORVAND\\スキーム\\*").c_str(), &found);
        int nFolders = 0;
        for (BOOL bFound = hFind != INVALID_HANDLE_VALUE; bFound; bFound = FindNextFileA(hFind, &found))
            nFolders += found.cFileName[0] != '.';
        if (hFind != INVALID_HANDLE_VALUE) FindClose(hFind);
        return nFolders;
    }
    std::string Folder(const std::string& name) const { return m_dir / ("local\\ZORVAND\\スキーム\\" + name); }

    harness::TestDirectory m_dir;
    char m_szLocal[MAX_PATH] = "";
    std::unique_ptr<apptest::TestDlg> m_dlg;
};

TEST_F(SchemeSharingTest, ThemeFilesOfEachFormBecomeANewSchemeThatIsChosenNotApplied) {
    m_dir.WriteFile("ベル.wav", harness::MakeWave(0.1));
    m_dir.WriteFile("ding.wav", harness::MakeWave(0.1));
    const std::wstring dir = Wide(m_dir.Path()) + L"\\";
    struct Case {
        const char* file;
        std::string bytes;
        const char* box;
        std::wstring id;
        std::map<std::wstring, std::wstring> values;
    } cases[] = {
        {"today.theme",
         Utf16(L"[Theme]\nDisplayName=ベータ\n[Control Panel\\Desktop]\nWallpaper=x.jpg\n"
               L"[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=%ThemeDir%ベル.wav\n"
               L"[AppEvents\\Schemes\\Apps\\.Default\\B]\nDefaultValue=%SystemRoot%\\media\\ない.wav\n"
               L"[AppEvents\\Schemes\\Apps\\Other\\F]\nDefaultValue=\n"
               L"[AppEvents\\Schemes\\Apps\\Other\\Gone]\nDefaultValue=C:\\gone.wav\n"),
         "スキーム「ベータ (2)」を読み込みました。\r\n\r\nサウンド: 3 個\r\nこのコンピューターにない場面: 1 "
         "個\r\n見つからないファイル: 1 個",
         L"ベータ (2)",
         {{L".Default\\A", L"1:" + dir + L"ベル.wav"},
          {L".Default\\B", L"2:%SystemRoot%\\media\\ない.wav"},
          {L"Other\\F", L"1:"}}},
        {"古い.theme",
         "[AppEvents\\Schemes\\Apps\\.Default\\A\\.Current]\r\nDefaultValue=%WinDir%media\\表示.wav\r\n"
         "[appevents\\schemes\\apps\\.default\\c\\.current]\r\ndefaultvalue=ding.wav\r\n",
         "スキーム「古い」を読み込みました。\r\n\r\nサウンド: 2 個\r\nこのコンピューターにない場面: 0 "
         "個\r\n見つからないファイル: 1 個",
         L"古い",
         {{L".Default\\A", L"2:%WinDir%\\media\\表示.wav"}, {L".Default\\C", L"1:" + dir + L"ding.wav"}}},
        {"named.ini",
         "[Theme]\r\nDisplayName=コピー\r\n[Sounds]\r\nSchemeName=ベータ\r\n",
         "スキーム「コピー」を読み込みました。\r\n\r\nサウンド: 2 個\r\nこのコンピューターにない場面: 0 "
         "個\r\n見つからないファイル: 2 個",
         L"コピー",
         {{L".Default\\A", L"2:%SystemRoot%\\a.wav"}, {L"Other\\F", L"1:C:\\f.wav"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        m_dir.WriteFile(c.file, c.bytes);
        MessageBoxRecorder boxes;
        std::string chosen = Import(m_dir / c.file);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, c.box);
        EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(Wide(chosen), c.id) << "listed and chosen";
        EXPECT_EQ(Get(L"AppEvents\\Schemes\\Names\\" + c.id), L"1:" + c.id);
        EXPECT_EQ(SchemeValues(c.id), c.values);
    }
    EXPECT_EQ(Get(kApps + L".Default\\A\\.Current"), L"1:C:\\a-now.wav") << "nothing applied";
    EXPECT_EQ(Get(L"AppEvents\\Schemes"), L"-");
}

TEST_F(SchemeSharingTest, APackOfAnotherToolIsUnpackedOnlyAsFarAsItsThemeNamesWaveFiles) {
    m_dir.MakeDirectory("pack");
    m_dir.MakeDirectory("pack\\sub");
    m_dir.WriteFile(
        "pack\\夕焼け.theme",
        Utf16(L"[Theme]\nDisplayName=夕焼け\n[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=ベル.wav\n"
              L"[AppEvents\\Schemes\\Apps\\.Default\\B]\nDefaultValue=%ThemeDir%sub\\チャイム.wav\n"
              L"[AppEvents\\Schemes\\Apps\\.Default\\C]\nDefaultValue=ない.wav\n"));
    const std::string wave = harness::MakeWave(0.1);
    for (const char* file : {"pack\\ベル.wav", "pack\\sub\\チャイム.wav", "pack\\使わない.wav", "pack\\絵.jpg"})
        m_dir.WriteFile(file, wave);
    ASSERT_EQ(m_dir.RunUnix("cd pack && gcab -c -z ../p.themepack *.theme *.wav *.jpg sub/*.wav"), "exit 0\n");

    MessageBoxRecorder boxes;
    Import(m_dir / "p.themepack");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "スキーム「夕焼け」を読み込みました。\r\n\r\nサウンド: 3 個\r\nこのコンピューターにない場面: 0 "
              "個\r\n見つからないファイル: 1 個");
    const std::wstring folder = Wide(Folder("夕焼け")) + L"\\";
    EXPECT_EQ(SchemeValues(L"夕焼け"),
              (std::map<std::wstring, std::wstring>{{L".Default\\A", L"1:" + folder + L"ベル.wav"},
                                                    {L".Default\\B", L"1:" + folder + L"sub\\チャイム.wav"},
                                                    {L".Default\\C", L"1:" + folder + L"ない.wav"}}));
    EXPECT_EQ(ReadFileBytes(folder + L"sub\\チャイム.wav"), wave);
    EXPECT_EQ(ReadFileBytes(folder + L"夕焼け.theme"), ReadFileBytes(Wide(m_dir / "pack\\夕焼け.theme")));
    for (const wchar_t* unnamed : {L"使わない.wav", L"絵.jpg"})
        EXPECT_EQ(GetFileAttributesW((folder + unnamed).c_str()), INVALID_FILE_ATTRIBUTES) << "not unpacked";
}

TEST_F(SchemeSharingTest, ExportedPacksReadByAnotherToolAndThemeFilesImportAsTheSameScheme) {
    m_dir.MakeDirectory("sub");
    const std::string wave = harness::MakeWave(0.1);
    m_dir.WriteFile("a.wav", wave);
    m_dir.WriteFile("sub\\a.wav", harness::MakeWave(0.2));
    m_reg.SetString("AppEvents\\Schemes\\Names\\out", "", "書き出し");
    m_reg.SetString(apptest::kApps + "\\A\\out", "", m_dir / "a.wav");
    m_reg.SetString(apptest::kApps + "\\B\\out", "", m_dir / "sub\\a.wav");
    m_reg.SetString(apptest::kApps + "\\C\\out", "", "%SystemRoot%\\ない.wav", REG_EXPAND_SZ);
    m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\out", "", "");
    const std::map<std::wstring, std::wstring> original = SchemeValues(L"out");
    const char kBox[] = "スキーム「書き出し」を書き出しました。\r\n\r\nサウンド: 4 個\r\n見つからないファイル: 1 個";

    MessageBoxRecorder boxes;
    Export("書き出し", m_dir / "書き出し.themepack");
    Export("書き出し", m_dir / "書き出し.theme");
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, kBox);
    EXPECT_EQ(boxes.Boxes()[1].text, kBox);
    EXPECT_EQ(m_dir.RunUnix("gcab -t *.themepack && cabextract -t *.themepack >/dev/null"),
              u8"書き出し.theme\na.wav\na (2).wav\nexit 0\n");
    EXPECT_EQ(ReadFileBytes(Wide(m_dir / "書き出し.theme")).substr(0, 2), "\xFF\xFE");

    // Taken in again (by this system, as on another): the pack's sounds where
    // it was unpacked, the theme file's where they lie.
    Import(m_dir / "書き出し.themepack");
    Import(m_dir / "書き出し.theme");
    const std::wstring folder = Wide(Folder("書き出し (2)")) + L"\\";
    std::map<std::wstring, std::wstring> unpacked = original;
    unpacked[L".Default\\A"] = L"1:" + folder + L"a.wav";
    unpacked[L".Default\\B"] = L"1:" + folder + L"a (2).wav";
    EXPECT_EQ(SchemeValues(L"書き出し (2)"), unpacked);
    EXPECT_EQ(ReadFileBytes(folder + L"a.wav"), wave);
    EXPECT_EQ(SchemeValues(L"書き出し (3)"), original);
}

TEST_F(SchemeSharingTest, WhatIsNoSchemeGetsItsBoxAndWritesNothing) {
    m_dir.WriteFile("t.theme", Utf16(L"[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=x.wav\n"));
    m_dir.WriteFile("x.wav", harness::MakeWave(0.1));
    m_dir.WriteFile("big.wav", "");
    m_dir.MakeDirectory("zz");
    m_dir.WriteFile("zz\\x.wav", "");
    const std::string kPack = "gcab -c p.themepack ";
    // A name of the pack changed in place, as names have no checksum (\x5c is '\').
    const std::string kRename = kPack + "t.theme zz/x.wav && perl -0777 -pi -e 's/zz\\x5cx\\.wav/";
    struct Case {
        const char* what;
        std::string bytes;    // the file's, where no command makes a pack
        std::string command;  // makes p.themepack
        const char* box;
    } cases[] = {
        {"empty", "", "", "ファイルが空です。"},
        {"no text", harness::MakeWave(0.1), "", "ファイルを読み込めません。"},
        {"no sound section", "[Theme]\r\nDisplayName=x\r\n", "", "ファイルにサウンドの設定がありません。"},
        {"a line of any length", "[AppEvents\\Schemes\\Apps\\.Default\\A]\r\nDefaultValue=" + std::string(40000, 'a'),
         "", "パスが長すぎるサウンドがあります。"},
        {"a damaged pack", "", kPack + "-z t.theme x.wav && truncate -s 200 p.themepack", "ファイルを読み込めません。"},
        {"..", "", kRename + "..\\x5cx.wav/' p.themepack", "テーマパックに、使えない名前のファイルがあります。"},
        {":", "", kRename + "C:\\x5cx.wav/' p.themepack", "テーマパックに、使えない名前のファイルがあります。"},
        {"absolute", "", kRename + "\\x5cz\\x5cx.wav/' p.themepack",
         "テーマパックに、使えない名前のファイルがあります。"},
        {"1,001 files", "", "mkdir -p n && for i in $(seq 1001); do : >n/$i; done && " + kPack + "t.theme n/*",
         "テーマパックのファイルが多すぎるか、大きすぎます。"},
        // big.wav's size, the four bytes 16 before its name, made 256 MiB and one byte.
        {"256 MiB and a byte", "",
         kPack +
             "big.wav t.theme && perl -0777 -pi -e 's/\\x00{4}(.{12}big\\.wav)/\\x01\\x00\\x00\\x10$1/s' p.themepack",
         "テーマパックのファイルが多すぎるか、大きすぎます。"},
        {"no theme", "", kPack + "x.wav", "テーマパックにテーマ ファイルがありません。"},
        {"no wave", "", "cp t.theme x.wav && " + kPack + "t.theme x.wav",
         "テーマパックの「x.wav」は WAVE ファイルではありません。"},
    };
    const std::vector<std::string> before = m_reg.Dump("AppEvents");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string file = "p.themepack";
        if (c.command.empty()) {
            file = "bad.theme";
            m_dir.WriteFile(file, c.bytes);
        } else {
            ASSERT_EQ(m_dir.RunUnix("rm -f p.themepack && " + c.command), "exit 0\n");
        }
        MessageBoxRecorder boxes;
        Import(m_dir / file);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, c.box);
        EXPECT_EQ(boxes.Boxes()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
        EXPECT_EQ(m_reg.Dump("AppEvents"), before);
        EXPECT_EQ(PackFolders(), 0);
    }
}

}  // namespace
