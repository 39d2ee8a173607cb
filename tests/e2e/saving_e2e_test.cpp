// OK on the real program leaves a scheme the user did not touch as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "process_driver.h"
#include "registry_sandbox.h"

namespace {

void Set(const std::string& path, DWORD type, const std::string& data, const char* name = nullptr) {
    HKEY hKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(hKey);
}
std::string Z(const std::string& text) {
    return text + std::string(1, '\0');
}

TEST(SavingEndToEndTest, OkWithoutTouchingAnythingChangesOnlyMissingCurrentValues) {
    harness::RegistryBackup backup(HKEY_CURRENT_USER, "AppEvents");
    RegDeleteTreeA(HKEY_CURRENT_USER, "AppEvents");
    const std::string apps = "AppEvents\\Schemes\\Apps\\.Default\\";
    const std::string labels = "AppEvents\\EventLabels\\";
    Set(labels + "SystemAsterisk", REG_SZ, Z("一般の警告音"));
    Set(apps + "SystemAsterisk\\.Current", REG_SZ, Z("C:\\windows\\media\\ding.wav"));
    Set(apps + "SystemAsterisk\\.Default", REG_SZ, Z("C:\\other.wav"));
    Set(labels + "SystemHand", REG_SZ, Z("システム エラー"));
    Set(apps + "SystemHand\\.Current", REG_EXPAND_SZ, Z("%SystemRoot%\\media\\Windows Critical Stop.wav"));
    Set(labels + "MailBeep", REG_SZ, Z("新着メール通知"));
    Set(apps + "MailBeep", REG_SZ, Z(""));  // the event's key, with no .Current below it
    Set(apps + "Unlabelled\\.Current", REG_SZ, Z("C:\\unlabelled.wav"));
    Set(labels + "Bare", REG_SZ, Z("名前だけ"));
    Set(apps + "Bare\\.Current", REG_SZ, Z("chimes.wav"));
    std::vector<std::string> before = harness::DumpTree(HKEY_CURRENT_USER, "AppEvents");

    harness::ZorvandProcess zorvand;
    HWND hDlg = zorvand.WaitForDialog();
    ASSERT_NE(hDlg, nullptr);
    PostMessageA(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(zorvand.WaitForExit(10000, &exitCode));

    std::vector<std::string> after = harness::DumpTree(HKEY_CURRENT_USER, "AppEvents");
    std::vector<std::string> lost, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    EXPECT_EQ(lost, std::vector<std::string>{});
    // MailBeep's .Current is created, holding the empty string.
    EXPECT_EQ(added, (std::vector<std::string>{"Schemes\\Apps\\.Default\\MailBeep\\.Current\\",
                                               "Schemes\\Apps\\.Default\\MailBeep\\.Current||1|00"}));
}

}  // namespace
