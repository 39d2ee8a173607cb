// The Windows side of the benchmarks. Each command prints lines of
// "metric ours reference", times in seconds (medians of n runs) or sizes in bytes.
//
//   zorvand_bench startup N ZORVAND.EXE BARE.EXE   process start to the dialog shown
//   zorvand_bench inproc N DIR BIG SMALL KEY      refill, preview and selection in process
//   zorvand_bench memory DIR                      peak working set after start-up and browsing
//   zorvand_bench layouts N ZORVAND.EXE LIBRARY   start-up on today's scheme layout against the old one
//   zorvand_bench walk N FILE                     showing a chosen file of many chunks, and reading it
//   zorvand_bench apps N ZORVAND.EXE              start-up with five further applications against without
//
// The real dialog reads the real HKEY_CURRENT_USER of the prefix it runs in: the
// benchmark's own prefix, whose scheme it made.
#include <direct.h>
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "SoundControlDlg.h"
#include "SoundEvent.h"

namespace {

CWinApp theBenchApp;

// The dialog's handlers and operations, in reach of the benchmark.
class BenchDlg : public CSoundControlDlg {
public:
    using CSoundControlDlg::GetEvent;
    using CSoundControlDlg::m_pDIBitmap;
    using CSoundControlDlg::m_strDescription;
    using CSoundControlDlg::OnSelchangeEventList;
    using CSoundControlDlg::ReadDescription;
    using CSoundControlDlg::ReadPicture;
    using CSoundControlDlg::RefreshFileList;
    using CSoundControlDlg::ShowChosenSound;
};

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    static LARGE_INTEGER s_frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(s_frequency.QuadPart);
}

double Time(const std::function<void()>& work) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "zorvand_bench: %s (error %lu)\n", what.c_str(), GetLastError());
    std::exit(1);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --------------------------------------------------------------- start-up

const char kCaption[] = "ザルノクサウンドコントロール";

// The visible dialog of the process, once its event list shows a chosen event
// when it has an event list at all.
HWND FindShownDialog(DWORD pid, bool withEvent) {
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExA(nullptr, hWnd, "#32770", kCaption)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hWnd, &owner);
        if (owner != pid || !IsWindowVisible(hWnd)) continue;
        if (!withEvent) return hWnd;
        HWND hList = GetDlgItem(hWnd, IDC_EVENT_LIST);
        if (IsWindowVisible(hList) && SendMessageA(hList, LB_GETCURSEL, 0, 0) != LB_ERR) return hWnd;
    }
    return nullptr;
}

// From just before the process is created to its dialog found shown; the dialog
// is then cancelled and the process waited for.
double TimeStart(const std::string& exe, bool withEvent) {
    std::string cmd = "\"" + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER start;
    LARGE_INTEGER shown;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("cannot start " + exe);
    HWND hDlg = nullptr;
    DWORD begun = GetTickCount();
    while ((hDlg = FindShownDialog(pi.dwProcessId, withEvent)) == nullptr) {
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) Fail(exe + " ended before its dialog showed");
        if (GetTickCount() - begun > 60000) Fail(exe + " showed no dialog within a minute");
    }
    QueryPerformanceCounter(&shown);
    PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        Fail(exe + " did not end when cancelled");
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return Seconds(start, shown);
}

int Startup(int n, const std::string& program, const std::string& bare) {
    // One start of each first, so that neither pays for loading files the other has loaded.
    TimeStart(program, true);
    TimeStart(bare, false);
    std::vector<double> ours;
    std::vector<double> reference;
    for (int i = 0; i < n; ++i) {
        ours.push_back(TimeStart(program, true));
        reference.push_back(TimeStart(bare, false));
    }
    std::printf("startup %.6f %.6f\n", Median(ours), Median(reference));
    return 0;
}

// --------------------------------------------------------------- in process

BenchDlg* OpenDialog() {
    auto* pDlg = new BenchDlg;
    if (!pDlg->Create(IDD_SOUNDCONTROL_DIALOG)) Fail("cannot create the dialog");
    PumpMessages();
    return pDlg;
}

// Applying a scheme of every event and pressing OK, against opening the dialog on
// the same events. The scheme is the current sounds saved once, so that each OK
// writes what the next run starts from.
int Schemes(int n) {
    BenchDlg* pDlg = OpenDialog();
    std::wstring strId;
    if (!pDlg->SaveScheme(std::wstring(), "ベンチ", &strId)) Fail("cannot save the scheme");
    pDlg->DestroyWindow();
    delete pDlg;
    std::vector<double> apply;
    std::vector<double> start;
    for (int i = 0; i < n; ++i) {
        start.push_back(Time([&] { pDlg = OpenDialog(); }));
        apply.push_back(Time([&] {
            if (!pDlg->ApplyScheme(strId)) Fail("cannot apply the scheme");
            pDlg->OnOK();
        }));
        pDlg->DestroyWindow();
        delete pDlg;
    }
    std::printf("schemes %.6f %.6f\n", Median(apply), Median(start));
    return 0;
}

// Every entry of the current directory, as a program lists one without a list box.
int Enumerate() {
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA("*.*", &fd);
    if (hFind == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return count;
}

// The list position of the event with this key.
int EventItem(BenchDlg& dlg, const std::string& key) {
    HWND hList = dlg.GetDlgItem(IDC_EVENT_LIST)->GetSafeHwnd();
    int count = static_cast<int>(SendMessageA(hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        auto index = static_cast<INT_PTR>(SendMessageA(hList, LB_GETITEMDATA, i, 0));
        SoundEvent* pEvent = dlg.GetEvent(index);
        if (key == static_cast<LPCSTR>(pEvent->GetKey())) return i;
    }
    Fail("no event " + key);
    return -1;
}

int InProcess(int n, const std::string& directory, const std::string& big, const std::string& small,
              const std::string& key) {
    BenchDlg* pDlg = OpenDialog();
    HWND hFiles = pDlg->GetDlgItem(IDC_FILE_LIST)->GetSafeHwnd();
    if (_chdir(directory.c_str()) != 0) Fail("cannot enter " + directory);

    std::vector<double> refill;
    std::vector<double> plain;
    for (int i = 0; i < n; ++i) {
        refill.push_back(Time([&] { pDlg->RefreshFileList(); }));
        int entries = 0;
        plain.push_back(Time([&] { entries = Enumerate(); }));
        // The list has "(なし)" where the listing has ".".
        if (SendMessageA(hFiles, LB_GETCOUNT, 0, 0) != entries) Fail("the file list and the directory differ");
    }
    std::printf("refill %.6f %.6f\n", Median(refill), Median(plain));

    std::vector<double> large;
    std::vector<double> reference;
    auto preview = [&](const std::string& path) {
        if (!pDlg->ReadPicture(path.c_str()) || !pDlg->ReadDescription(path.c_str())) Fail("no preview in " + path);
    };
    for (int i = 0; i < n; ++i) {
        large.push_back(Time([&] { preview(big); }));
        reference.push_back(Time([&] { preview(small); }));
    }
    std::printf("preview %.6f %.6f\n", Median(large), Median(reference));

    int item = EventItem(*pDlg, key);
    HWND hEvents = pDlg->GetDlgItem(IDC_EVENT_LIST)->GetSafeHwnd();
    std::vector<double> select;
    refill.clear();
    for (int i = 0; i < n; ++i) {
        SendMessageA(hEvents, LB_SETCURSEL, item, 0);
        select.push_back(Time([&] { pDlg->OnSelchangeEventList(); }));
        if (SendMessageA(hFiles, LB_GETCURSEL, 0, 0) == LB_ERR) Fail("the event's file is not chosen");
        refill.push_back(Time([&] { pDlg->RefreshFileList(); }));
        PumpMessages();
    }
    std::printf("select %.6f %.6f\n", Median(select), Median(refill));

    pDlg->DestroyWindow();
    delete pDlg;
    return 0;
}

SIZE_T PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) Fail("no memory counters");
    return pmc.PeakWorkingSetSize;
}

// The dialog as the program starts it, then the large directory entered as a
// double-click enters it.
int Memory(const std::string& directory) {
    BenchDlg* pDlg = OpenDialog();
    pDlg->UpdateWindow();
    SIZE_T started = PeakWorkingSet();
    if (_chdir(directory.c_str()) != 0) Fail("cannot enter " + directory);
    pDlg->RefreshFileList();
    PumpMessages();
    pDlg->UpdateWindow();
    SIZE_T browsed = PeakWorkingSet();
    std::printf("memory %llu %llu\n", static_cast<unsigned long long>(browsed),
                static_cast<unsigned long long>(started));
    pDlg->DestroyWindow();
    delete pDlg;
    return 0;
}

// --------------------------------------------------------------- scheme layouts

const int kLayoutEvents = 60;
const char kSavedKey[] = "ZorvandBenchSavedAppEvents";

void SetValue(const std::string& key, const char* name, DWORD type, const std::string& data) {
    HKEY hKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) !=
            ERROR_SUCCESS ||
        RegSetValueExA(hKey, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS)
        Fail("cannot write " + key);
    RegCloseKey(hKey);
}

// The name a label key's DispFileName gives, in code page 932.
std::string ResolvedLabel(const std::string& key) {
    HKEY hKey;
    WCHAR szName[256];
    char szLabel[512];
    DWORD cb = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS ||
        RegLoadMUIStringW(hKey, L"DispFileName", szName, sizeof szName, &cb, 0, nullptr) != ERROR_SUCCESS ||
        WideCharToMultiByte(932, 0, szName, -1, szLabel, sizeof szLabel, nullptr, nullptr) == 0)
        Fail("cannot resolve the label of " + key);
    RegCloseKey(hKey);
    return szLabel;
}

// The scheme of 60 events in one of the two layouts, on the same files and with
// the same names: today's (REG_EXPAND_SZ sounds below %SystemRoot%\media, names
// from the library through DispFileName after an English default) or the old one
// (REG_SZ paths, the names as plain labels).
void WriteLayout(bool bToday, const std::string& library) {
    RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
    for (int i = 0; i < kLayoutEvents; ++i) {
        char szKey[32];
        std::snprintf(szKey, sizeof szKey, "BenchLayout%02d", i);
        std::string labels = std::string("AppEvents\\EventLabels\\") + szKey;
        std::string current = std::string("AppEvents\\Schemes\\Apps\\.Default\\") + szKey + "\\.Current";
        std::string file = std::string("\\media\\ZORVAND bench ") + szKey + ".wav";
        // Each event has a name of its own in the library.
        std::string indirect = "@" + library + ",-" + std::to_string(6000 + i);
        if (bToday) {
            SetValue(labels, "", REG_SZ, std::string("Bench event ") + szKey);
            SetValue(labels, "DispFileName", REG_SZ, indirect);
            SetValue(current, "", REG_EXPAND_SZ, "%SystemRoot%" + file);
        } else {
            SetValue(labels, "DispFileName", REG_SZ, indirect);
            std::string name = ResolvedLabel(labels);
            RegDeleteTreeA(HKEY_CURRENT_USER, labels.c_str());
            SetValue(labels, "", REG_SZ, name);
            char szRoot[MAX_PATH];
            GetEnvironmentVariableA("SystemRoot", szRoot, MAX_PATH);
            SetValue(current, "", REG_SZ, szRoot + file);
        }
    }
}

int Layouts(int n, const std::string& program, const std::string& library) {
    // The prefix's own scheme is put aside and back again.
    RegDeleteTreeA(HKEY_CURRENT_USER, kSavedKey);
    HKEY hSaved;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSavedKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSaved, nullptr) !=
            ERROR_SUCCESS ||
        RegCopyTreeA(HKEY_CURRENT_USER, "AppEvents", hSaved) != ERROR_SUCCESS)
        Fail("cannot keep the prefix's scheme");
    char szRoot[MAX_PATH];
    GetEnvironmentVariableA("SystemRoot", szRoot, MAX_PATH);
    std::string media = std::string(szRoot) + "\\media";
    CreateDirectoryA(media.c_str(), nullptr);
    // A short sound of 16-bit mono PCM at 22050 Hz for every event.
    std::string wave = std::string("RIFF\x4C\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00", 24) +
                       std::string(
                           "\x22\x56\x00\x00\x44\xAC\x00\x00\x02\x00\x10\x00"
                           "data\x28\x00\x00\x00",
                           20) +
                       std::string(40, '\0');
    std::vector<std::string> files;
    for (int i = 0; i < kLayoutEvents; ++i) {
        char szName[64];
        std::snprintf(szName, sizeof szName, "\\ZORVAND bench BenchLayout%02d.wav", i);
        files.push_back(media + szName);
        FILE* pFile = std::fopen(files.back().c_str(), "wb");
        if (pFile == nullptr || std::fwrite(wave.data(), 1, wave.size(), pFile) != wave.size())
            Fail("cannot write " + files.back());
        std::fclose(pFile);
    }

    auto timeLayout = [&](bool bToday) {
        WriteLayout(bToday, library);
        return TimeStart(program, true);
    };
    timeLayout(true);
    timeLayout(false);
    std::vector<double> today;
    std::vector<double> old;
    for (int i = 0; i < n; ++i) {
        today.push_back(timeLayout(true));
        old.push_back(timeLayout(false));
    }
    std::printf("layouts %.6f %.6f\n", Median(today), Median(old));

    for (const std::string& file : files) DeleteFileA(file.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
    HKEY hAppEvents;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "AppEvents", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hAppEvents, nullptr) !=
            ERROR_SUCCESS ||
        RegCopyTreeA(hSaved, nullptr, hAppEvents) != ERROR_SUCCESS)
        Fail("cannot put the prefix's scheme back");
    RegCloseKey(hAppEvents);
    RegCloseKey(hSaved);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSavedKey);
    return 0;
}

}  // namespace

// The whole showing of a chosen sound (picture, description and the line with
// its format query) on a file of many small chunks and no picture or text; the
// reference, the floor of one walk of its headers, is bench_native's. Reading the
// whole file in order in 64 KiB blocks, as a player would, is printed beside it.
int Walk(int n, const std::string& path) {
    BenchDlg* pDlg = OpenDialog();
    pDlg->UpdateWindow();
    PumpMessages();
    CString strPath = path.c_str();
    // The first format query of the process loads the sound drivers.
    pDlg->ShowChosenSound(strPath);
    char szLine[256] = "";
    ::GetDlgItemTextA(pDlg->GetSafeHwnd(), IDC_SOUND_INFO, szLine, sizeof szLine);
    if (std::strncmp(szLine, "PCM", 3) != 0) Fail("no format line for " + path + ": " + szLine);
    std::vector<double> show;
    std::vector<double> read;
    std::vector<char> block(64 * 1024);
    for (int i = 0; i < n; ++i) {
        show.push_back(Time([&] { pDlg->ShowChosenSound(strPath); }));
        if (pDlg->m_pDIBitmap != nullptr || !pDlg->m_strDescription.IsEmpty()) Fail("a preview in " + path);
        read.push_back(Time([&] {
            HANDLE hFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (hFile == INVALID_HANDLE_VALUE) Fail("cannot open " + path);
            DWORD got = 0;
            while (ReadFile(hFile, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got != 0) {
            }
            CloseHandle(hFile);
        }));
        PumpMessages();
    }
    std::printf("walk %.6f %.6f\n", Median(show), Median(read));
    pDlg->DestroyWindow();
    delete pDlg;
    return 0;
}

// --------------------------------------------------------------- applications

// Five applications of twenty events each beside .Default, or none: their
// events are read only when chosen, so start-up reads the applications' names
// and one label each.
void SetApplications(bool bPresent) {
    for (int app = 0; app < 5; ++app) {
        const std::string name = "BenchApp" + std::to_string(app);
        const std::string appKey = "AppEvents\\Schemes\\Apps\\" + name;
        RegDeleteTreeA(HKEY_CURRENT_USER, appKey.c_str());
        for (int event = 0; event < 20; ++event) {
            const std::string key = name + "Event" + std::to_string(event);
            const std::string label = "AppEvents\\EventLabels\\" + key;
            RegDeleteTreeA(HKEY_CURRENT_USER, label.c_str());
            if (!bPresent) continue;
            SetValue(label, nullptr, REG_SZ, "Bench application event " + std::to_string(event));
            SetValue(appKey + "\\" + key + "\\.Current", nullptr, REG_SZ, "D:\\BENCH2K\\snd0001.wav");
        }
        if (bPresent) SetValue(appKey, nullptr, REG_SZ, "Bench application " + std::to_string(app));
    }
}

int Applications(int n, const std::string& program) {
    std::vector<double> with;
    std::vector<double> without;
    SetApplications(true);
    TimeStart(program, true);
    for (int i = 0; i < n; ++i) {
        SetApplications(true);
        with.push_back(TimeStart(program, true));
        SetApplications(false);
        without.push_back(TimeStart(program, true));
    }
    std::printf("apps %.6f %.6f\n", Median(with), Median(without));
    return 0;
}

int main(int argc, char** argv) {
    AfxWinInit(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "startup" && argc == 5) return Startup(std::atoi(argv[2]), argv[3], argv[4]);
    if (cmd == "inproc" && argc == 7) return InProcess(std::atoi(argv[2]), argv[3], argv[4], argv[5], argv[6]);
    if (cmd == "memory" && argc == 3) return Memory(argv[2]);
    if (cmd == "layouts" && argc == 5) return Layouts(std::atoi(argv[2]), argv[3], argv[4]);
    if (cmd == "schemes" && argc == 3) return Schemes(std::atoi(argv[2]));
    if (cmd == "walk" && argc == 4) return Walk(std::atoi(argv[2]), argv[3]);
    if (cmd == "apps" && argc == 4) return Applications(std::atoi(argv[2]), argv[3]);
    std::fprintf(stderr,
                 "usage: zorvand_bench startup N ZORVAND.EXE BARE.EXE | inproc N DIR BIG SMALL KEY | memory DIR | "
                 "layouts N ZORVAND.EXE LIBRARY | walk N FILE | apps N ZORVAND.EXE\n");
    return 2;
}
