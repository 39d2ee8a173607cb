// What the system reads from ZORVAND.EXE itself: its version information, which
// the file's properties show, and its application manifest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process_driver.h"
#include "version.h"

namespace {

std::wstring ExePath() {
    std::string narrow = harness::ZorvandExePath();
    return std::wstring(narrow.begin(), narrow.end());
}

TEST(ExecutableResources, VersionInformationIsJapaneseAndNamesTheProduct) {
    const std::wstring exe = ExePath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information";
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0411) << "Japanese";
    EXPECT_EQ(translation[1], 932) << "code page 932";

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(ZORVAND_VERSION_MINOR, ZORVAND_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, ZORVAND_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const std::string text = ZORVAND_VERSION_TEXT;
    const std::wstring version(text.begin(), text.end());
    const struct {
        const wchar_t* name;
        std::wstring value;
    } rows[] = {
        {L"ProductName", L"ザルノクサウンドコントロール"},
        {L"FileDescription", L"Windows のサウンドにテーマ付きの音を割り当てるツール"},
        {L"OriginalFilename", L"ZORVAND.EXE"},
        {L"FileVersion", version},
        {L"ProductVersion", version},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
        wchar_t* value = nullptr;
        std::wstring path = std::wstring(L"\\StringFileInfo\\041103A4\\") + row.name;
        ASSERT_TRUE(VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_TRUE(std::wstring(value) == row.value);
    }
}

TEST(ExecutableResources, ManifestRunsAsInvokerOnEverySystemAtTheDisplaysScale) {
    const std::wstring exe = ExePath();
    HMODULE hExe = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(hExe, nullptr);
    // The application manifest: resource 1 of type RT_MANIFEST (24).
    HRSRC hInfo = FindResourceW(hExe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(hInfo, nullptr) << "no application manifest";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(hExe, hInfo)));
    const std::string manifest(bytes, SizeofResource(hExe, hInfo));
    FreeLibrary(hExe);
    for (const char* part : {
             "level=\"asInvoker\"",
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
             ">true/PM</dpiAware>",
             ">PerMonitorV2, PerMonitor</dpiAwareness>",
         })
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // The system's own reader takes it.
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = exe.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE hContext = CreateActCtxW(&context);
    EXPECT_NE(hContext, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    if (hContext != INVALID_HANDLE_VALUE) ReleaseActCtx(hContext);
}

}  // namespace
