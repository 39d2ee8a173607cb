// Schemes taken in from theme files and packs and written out as them, through
// the sound settings and the system's own file dialogs, on the real (sandboxed)
// registry and real files; packs made and read by the distribution's cabinet
// tools.
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "SystemLibrary.h"
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

std::string Narrow(const std::wstring& text) {
    CString narrow;
    scheme::NarrowText(text, &narrow);
    return static_cast<LPCSTR>(narrow);
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

// A system that refuses LOAD_LIBRARY_SEARCH_SYSTEM32, as Vista and 7 without
// their loader update do, and may lack a library: the loader that the program
// loads the system's libraries through, while the object lives.
class OlderSystem {
public:
    explicit OlderSystem(const wchar_t* missing = L"") {
        s_missing = missing;
        s_loaded.clear();
        scheme::SystemLibraryLoader() = Load;
    }
    ~OlderSystem() { scheme::SystemLibraryLoader() = LoadLibraryExW; }
    static std::vector<std::wstring> s_loaded;

private:
    static HMODULE WINAPI Load(LPCWSTR name, HANDLE file, DWORD flags) {
        std::wstring path = name;
        if ((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 ||
            (!s_missing.empty() && path.size() >= s_missing.size() &&
             lstrcmpiW(path.c_str() + path.size() - s_missing.size(), s_missing.c_str()) == 0)) {
            SetLastError((flags & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0 ? ERROR_INVALID_PARAMETER : ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        s_loaded.push_back(path);
        return LoadLibraryExW(name, file, flags);
    }
    static std::wstring s_missing;
};
std::vector<std::wstring> OlderSystem::s_loaded;
std::wstring OlderSystem::s_missing;

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
    // null), presses the button and answers the file dialog of the caption, if
    // any, with the path; the settings list's chosen entry afterwards.
    std::string InSettings(int nButton, const char* pszDialog, const std::string& path, const char* pszScheme = "") {
        std::string chosen;
        harness::WhenShown(kSettings, [&](HWND hSettings) {
            HWND hList = GetDlgItem(hSettings, IDC_SCHEME_LIST);
            SendMessageA(
                hList, LB_SETCURSEL,
                SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszScheme)),
                0);
            if (pszDialog != nullptr) {
                harness::WhenShown(pszDialog, [&](HWND hFiles) {
                    SetDlgItemTextW(hFiles, cmb13, Wide(path).c_str());
                    harness::ClickButton(hFiles, IDOK);
                });
            }
            harness::ClickButton(hSettings, nButton);
            auto nChosen = static_cast<int>(SendMessageA(hList, LB_GETCURSEL, 0, 0));
            chosen = harness::ListText(hSettings, IDC_SCHEME_LIST, nChosen);
            harness::ClickButton(hSettings, IDCANCEL);
        });
        SendMessageA(m_dlg->m_hWnd, WM_SYSCOMMAND, IDM_SCHEMES, 0);
        return chosen;
    }
    // A pack of another tool's with a theme that names x.wav, as p.themepack.
    void MakePack() {
        m_dir.WriteFile("t.theme", Utf16(L"[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=x.wav\n"));
        m_dir.WriteFile("x.wav", harness::MakeWave(0.1));
        ASSERT_EQ(m_dir.RunUnix("gcab -c -z p.themepack t.theme x.wav"), "exit 0\n");
    }
    std::string Import(const std::string& path) { return InSettings(IDC_SCHEME_IMPORT, "スキームの読み込み", path); }
    void Export(const char* pszScheme, const std::string& path) {
        InSettings(IDC_SCHEME_EXPORT, "スキームの書き出し", path, pszScheme);
    }
    // The box an import or export ends with, closed with OK; "-" for none or more.
    std::string Box(const std::function<void()>& action) {
        MessageBoxRecorder boxes;
        action();
        return boxes.Boxes().size() == 1 ? boxes.Boxes()[0].text : "-";
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
        for (const wchar_t* event : {L".Default\\A", L".Default\\B", L".Default\\C", L"Other\\F", L".Default\\D",
                                     L".Default\\E", L".Default\\G", L".Default\\H"}) {
            std::wstring value = Get(kApps + event + L"\\" + id);
            if (value != L"-") values[event] = value;
        }
        return values;
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
         "個\r\n見つからないファイル: 1 個\r\nネットワーク上のファイル: 0 個",
         L"ベータ (2)",
         {{L".Default\\A", L"1:" + dir + L"ベル.wav"},
          {L".Default\\B", L"2:%SystemRoot%\\media\\ない.wav"},
          {L"Other\\F", L"1:"}}},
        {"古い.theme",
         "[AppEvents\\Schemes\\Apps\\.Default\\A\\.Current]\r\nDefaultValue=%WinDir%media\\表示.wav\r\n"
         "[appevents\\schemes\\apps\\.default\\c\\.current]\r\ndefaultvalue=ding.wav\r\n",
         "スキーム「古い」を読み込みました。\r\n\r\nサウンド: 2 個\r\nこのコンピューターにない場面: 0 "
         "個\r\n見つからないファイル: 1 個\r\nネットワーク上のファイル: 0 個",
         L"古い",
         {{L".Default\\A", L"2:%WinDir%\\media\\表示.wav"}, {L".Default\\C", L"1:" + dir + L"ding.wav"}}},
        {"named.ini",
         "[Theme]\r\nDisplayName=コピー\r\n[Sounds]\r\nSchemeName=ベータ\r\n",
         "スキーム「コピー」を読み込みました。\r\n\r\nサウンド: 2 個\r\nこのコンピューターにない場面: 0 "
         "個\r\n見つからないファイル: 2 個\r\nネットワーク上のファイル: 0 個",
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
              "個\r\n見つからないファイル: 1 個\r\nネットワーク上のファイル: 0 個");
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
    m_dir.WriteFile("d.mp3", "ID3");
    m_reg.SetString("AppEvents\\Schemes\\Names\\out", "", "書き出し");
    // Each value as the scheme keeps it: packed where it is a wave file there,
    // else taken back as it stands, of its type.
    const std::map<std::string, std::pair<std::string, DWORD>> values = {
        {"A", {m_dir / "a.wav", REG_SZ}},
        {"B", {m_dir / "sub\\a.wav", REG_SZ}},
        {"C", {"%SystemRoot%\\ない.wav", REG_EXPAND_SZ}},
        {"D", {"a.wav", REG_SZ}},  // the system's media folder's, not the pack's a.wav
        {"E", {"C:\\%OS%\\e.wav", REG_SZ}},
        {"G", {"C:\\gone.wav", REG_EXPAND_SZ}},
        {"H", {m_dir / "d.mp3", REG_SZ}},  // no wave file: not packed
    };
    for (const auto& value : values)
        m_reg.SetString(apptest::kApps + "\\" + value.first + "\\out", "", value.second.first, value.second.second);
    m_reg.SetString("AppEvents\\Schemes\\Apps\\Other\\F\\out", "", "");
    const std::map<std::wstring, std::wstring> original = SchemeValues(L"out");
    const char kBox[] =
        "スキーム「書き出し」を書き出しました。\r\n\r\nサウンド: 8 個\r\n見つからないファイル: 4 "
        "個\r\nネットワーク上のファイル: 0 個";

    EXPECT_EQ(Box([&] { Export("書き出し", m_dir / "書き出し.themepack"); }), kBox);
    EXPECT_EQ(Box([&] { Export("書き出し", m_dir / "書き出し.theme"); }), kBox);
    EXPECT_EQ(m_dir.RunUnix("gcab -t *.themepack && cabextract -t *.themepack >/dev/null"),
              u8"書き出し.theme\na.wav\na (2).wav\nexit 0\n");
    EXPECT_EQ(ReadFileBytes(Wide(m_dir / "書き出し.theme")).substr(0, 2), "\xFF\xFE");

    // Taken in again (by this system, as on another): the pack's sounds where
    // it was unpacked, the theme file's where they lie.
    MessageBoxRecorder boxes;
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

TEST_F(SchemeSharingTest, NetworkPathsAThemeNamesAreTakenAsTheyStandAndNeverOpened) {
    // The runtime has no SMB: its shares are folders of this machine (\\srv\share
    // is drive N:), where every file and the library are there to be found, so
    // that only what was never asked of them tells.
    harness::TestDirectory share("N:\\");
    share.WriteFile("n.wav", harness::MakeWave(0.1));
    ASSERT_TRUE(CopyFileA(harness::WindowsPath(ZORVAND_EVENT_NAMES_DLL).c_str(), (share / "x.dll").c_str(), FALSE));
    const std::wstring unc = L"\\\\srv\\share" + Wide(share.Path().substr(2)) + L"\\";
    const std::wstring local = Wide(share.Path()) + L"\\";
    m_dir.WriteFile("net.theme",
                    Utf16(L"[Theme]\nDisplayName=@" + unc +
                          L"x.dll,-5824\n"
                          L"[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=" +
                          unc +
                          L"n.wav\n"
                          L"[AppEvents\\Schemes\\Apps\\.Default\\B]\nDefaultValue=\\\\?\\UNC" +
                          unc.substr(1) + L"n.wav\n[AppEvents\\Schemes\\Apps\\.Default\\C]\nDefaultValue=" + local +
                          L"n.wav\n[AppEvents\\Schemes\\Apps\\Other\\F]\nDefaultValue=//srv/share" +
                          Wide(share.Path().substr(2)) + L"/n.wav\n"));
    EXPECT_EQ(Box([&] { Import(m_dir / "net.theme"); }),
              "スキーム「net」を読み込みました。\r\n\r\nサウンド: 4 個\r\nこのコンピューターにない場面: 0 "
              "個\r\n見つからないファイル: 0 個\r\nネットワーク上のファイル: 4 個")
        << "named by the file, not by the library on the share";
    const std::map<std::wstring, std::wstring> values = SchemeValues(L"net");
    EXPECT_EQ(values.at(L".Default\\C"), L"1:" + local + L"n.wav");
    // Written out, nothing on the network is packed.
    EXPECT_EQ(Box([&] { Export("net", m_dir / "net.themepack"); }),
              "スキーム「net」を書き出しました。\r\n\r\nサウンド: 4 個\r\n見つからないファイル: 0 "
              "個\r\nネットワーク上のファイル: 4 個");
    EXPECT_EQ(m_dir.RunUnix("gcab -t net.themepack"), "net.theme\nexit 0\n");
    MessageBoxRecorder boxes;
    Import(m_dir / "net.themepack");
    EXPECT_EQ(SchemeValues(L"net (2)"), values);
}

TEST_F(SchemeSharingTest, APackOfNamesTheSystemWouldChangeIsTakenInWholeUnderSafeNames) {
    m_dir.MakeDirectory("pack");
    m_dir.MakeDirectory("pack\\Sounds");
    m_dir.WriteFile("pack\\t.theme", Utf16(L"[Theme]\nDisplayName=NUL\n"
                                           L"[AppEvents\\Schemes\\Apps\\.Default\\A]\nDefaultValue=a.wav\n"
                                           L"[AppEvents\\Schemes\\Apps\\.Default\\B]\nDefaultValue=A.WAV\n"
                                           L"[AppEvents\\Schemes\\Apps\\.Default\\C]\nDefaultValue=Sounds/x.wav\n"
                                           L"[AppEvents\\Schemes\\Apps\\Other\\F]\nDefaultValue=con.wav\n"));
    const std::string first = harness::MakeWave(0.1);
    m_dir.WriteFile("pack\\a.wav", first);
    m_dir.WriteFile("pack\\Sounds\\x.wav", harness::MakeWave(0.2));
    // Names this system would take for another file or a device, made where they are plain.
    ASSERT_EQ(m_dir.RunUnix("cd pack && cp Sounds/x.wav A.WAV && cp Sounds/x.wav con.wav && "
                            "gcab -c -z ../p.themepack t.theme a.wav A.WAV Sounds/x.wav con.wav"),
              "exit 0\n");
    EXPECT_EQ(Box([&] { Import(m_dir / "p.themepack"); }),
              "スキーム「NUL」を読み込みました。\r\n\r\nサウンド: 4 個\r\nこのコンピューターにない場面: 0 "
              "個\r\n見つからないファイル: 0 個\r\nネットワーク上のファイル: 0 個");
    const std::wstring folder = Wide(Folder("NUL_")) + L"\\";
    EXPECT_EQ(SchemeValues(L"NUL"),
              (std::map<std::wstring, std::wstring>{{L".Default\\A", L"1:" + folder + L"a.wav"},
                                                    {L".Default\\B", L"1:" + folder + L"a.wav"},
                                                    {L".Default\\C", L"1:" + folder + L"Sounds\\x.wav"},
                                                    {L"Other\\F", L"1:" + folder + L"con_.wav"}}));
    EXPECT_EQ(ReadFileBytes(folder + L"a.wav"), first) << "the first file of a name";
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
    const std::string kBig = "{ [ -f big ] || head -c 269484032 /dev/zero >big; } && ";
    const std::string kOneByte = "perl -0777 -pi -e 's/.{4}(.{12}big\\x00)/\\x01\\x00\\x00\\x00$1/s' p.themepack";
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
        // 257 MiB of zeros before the file, in its folder, stated as one byte.
        {"a theme far into its folder", "", kBig + kPack + "big t.theme && " + kOneByte,
         "テーマパックのファイルが多すぎるか、大きすぎます。"},
        {"a sound far into its folder", "", kBig + kPack + "t.theme big x.wav && " + kOneByte,
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
        EXPECT_EQ(GetFileAttributesA((m_dir / "local\\ZORVAND").c_str()), INVALID_FILE_ATTRIBUTES) << "no folder left";
    }
}

TEST_F(SchemeSharingTest, LibrariesLoadByTheSystemFoldersPathWhereTheFlagIsRefusedAndAMissingOneGetsABox) {
    MakePack();
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::string kImported =
        "スキーム「p」を読み込みました。\r\n\r\nサウンド: 1 個\r\nこのコンピューターにない場面: 0 "
        "個\r\n見つからないファイル: 0 個\r\nネットワーク上のファイル: 0 個";
    struct Case {
        const wchar_t* missing;
        const char* dialog;  // the file dialog that shows
        std::string importBox;
        std::string exportBox;
    } cases[] = {
        {L"", "スキームの読み込み", kImported,
         "スキーム「ベータ」を書き出しました。\r\n\r\nサウンド: 2 個\r\n見つからないファイル: 2 "
         "個\r\nネットワーク上のファイル: 0 個"},
        {L"cabinet.dll", "スキームの読み込み", "システムのライブラリ「cabinet.dll」を読み込めません。",
         "システムのライブラリ「cabinet.dll」を読み込めません。"},
        {L"comdlg32.dll", nullptr, "システムのライブラリ「comdlg32.dll」を読み込めません。",
         "システムのライブラリ「comdlg32.dll」を読み込めません。"},
    };
    for (const Case& c : cases) {
        const std::string out = m_dir / (Narrow(c.missing) + "b.themepack");
        SCOPED_TRACE(out);
        OlderSystem older(c.missing);
        EXPECT_EQ(Box([&] { InSettings(IDC_SCHEME_IMPORT, c.dialog, m_dir / "p.themepack"); }), c.importBox);
        const char* exportDialog = c.dialog != nullptr ? "スキームの書き出し" : nullptr;
        EXPECT_EQ(Box([&] { InSettings(IDC_SCHEME_EXPORT, exportDialog, out, "ベータ"); }), c.exportBox);
        for (const std::wstring& loaded : OlderSystem::s_loaded)
            EXPECT_EQ(loaded.rfind(std::wstring(system) + L"\\", 0), 0u) << testing::PrintToString(loaded);
        if (c.missing[0] == L'\0') EXPECT_EQ(OlderSystem::s_loaded.size() >= 2, true) << "cabinet and comdlg32";
    }
}

TEST_F(SchemeSharingTest, PacksAreWrittenPastFilesLeftBehindWhatPlaysNowIsWrittenOutAndUnpackedFilesGoWithTheirScheme) {
    // The temporary names an earlier run would have chosen.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::vector<std::string> left;
    for (int n = 1; n <= 3; ++n) {
        left.push_back(std::string(temp) + "zorvand-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(n) + ".tmp");
        std::ofstream(left.back(), std::ios::binary) << "left";
    }
    EXPECT_EQ(Box([&] { Export("ベータ", m_dir / "b.themepack"); }),
              "スキーム「ベータ」を書き出しました。\r\n\r\nサウンド: 2 個\r\n見つからないファイル: 2 "
              "個\r\nネットワーク上のファイル: 0 個");
    for (const std::string& file : left) {
        EXPECT_EQ(ReadFileBytes(Wide(file)), "left") << file;
        DeleteFileA(file.c_str());
    }
    // What plays now, chosen while a scheme exists.
    std::string chosen;
    EXPECT_EQ(Box([&] {
                  chosen = InSettings(IDC_SCHEME_EXPORT, "スキームの書き出し", m_dir / "now.theme", "(現在のサウンド)");
              }),
              "スキーム「現在のサウンド」を書き出しました。\r\n\r\nサウンド: 4 個\r\n見つからないファイル: 2 "
              "個\r\nネットワーク上のファイル: 0 個");
    EXPECT_EQ(chosen, "(現在のサウンド)") << "listed for the user to choose";
    EXPECT_NE(ReadFileBytes(Wide(m_dir / "now.theme")).find(Utf16(L"=C:\\a-now.wav").substr(2)), std::string::npos);

    MakePack();
    Box([&] { Import(m_dir / "p.themepack"); });
    ASSERT_NE(GetFileAttributesA(Folder("p").c_str()), INVALID_FILE_ATTRIBUTES);
    // A sound that leads out of the unpack folders leaves what it names.
    m_dir.WriteFile("local\\ZORVAND\\keep.wav", "");
    m_reg.SetString(apptest::kApps + "\\B\\p", "", Folder("..\\keep.wav"));
    MessageBoxRecorder yes(IDYES);
    InSettings(IDC_SCHEME_DELETE, nullptr, "", "p");
    ASSERT_EQ(yes.Boxes().size(), 1u);
    EXPECT_EQ(yes.Boxes()[0].text, "スキーム「p」を削除しますか?");
    EXPECT_EQ(GetFileAttributesA(Folder("p").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA((m_dir / "local\\ZORVAND\\keep.wav").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
