#include "registry_sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace harness {

namespace {

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

std::vector<RegValue> ReadValues(HKEY hKey) {
    std::vector<RegValue> values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLen = sizeof name;
        DWORD type = 0;
        DWORD dataLen = 0;
        if (RegEnumValueA(hKey, i, name, &nameLen, nullptr, &type, nullptr, &dataLen) != ERROR_SUCCESS) break;
        std::string data(dataLen, '\0');
        nameLen = sizeof name;
        RegEnumValueA(hKey, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &dataLen);
        data.resize(dataLen);
        values.push_back(RegValue{std::string(name, nameLen), type, data});
    }
    return values;
}

std::vector<std::string> SubkeyNames(HKEY hKey) {
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(hKey, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, nameLen);
    }
    return names;
}

void DumpKey(HKEY hKey, const std::string& path, std::vector<std::string>* pOut) {
    for (const RegValue& v : ReadValues(hKey))
        pOut->push_back(path + "|" + v.name + "|" + std::to_string(v.type) + "|" + Hex(v.data));
    for (const std::string& sub : SubkeyNames(hKey)) {
        std::string subPath = path.empty() ? sub : path + "\\" + sub;
        pOut->push_back(subPath + "\\");
        HKEY hSub;
        if (RegOpenKeyExA(hKey, sub.c_str(), 0, KEY_READ, &hSub) == ERROR_SUCCESS) {
            DumpKey(hSub, subPath, pOut);
            RegCloseKey(hSub);
        }
    }
}

}  // namespace

std::vector<std::string> DumpTree(HKEY hRoot, const std::string& path) {
    std::vector<std::string> out;
    HKEY hKey;
    if (RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return out;
    DumpKey(hKey, "", &out);
    RegCloseKey(hKey);
    std::sort(out.begin(), out.end());
    return out;
}

RegistryBackup::RegistryBackup(HKEY hRoot, const std::string& path) : m_hRoot(hRoot), m_path(path) {
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        std::string rel = pending.back();
        pending.pop_back();
        std::string full = rel.empty() ? path : path + "\\" + rel;
        HKEY hKey;
        if (RegOpenKeyExA(hRoot, full.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) continue;
        m_bExisted = true;
        m_keys.push_back(Key{rel, ReadValues(hKey)});
        for (const std::string& sub : SubkeyNames(hKey)) pending.push_back(rel.empty() ? sub : rel + "\\" + sub);
        RegCloseKey(hKey);
    }
}

RegistryBackup::~RegistryBackup() {
    RegDeleteTreeA(m_hRoot, m_path.c_str());
    RegDeleteKeyA(m_hRoot, m_path.c_str());
    if (!m_bExisted) return;
    for (const Key& key : m_keys) {
        std::string full = key.path.empty() ? m_path : m_path + "\\" + key.path;
        HKEY hKey;
        if (RegCreateKeyExA(m_hRoot, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) !=
            ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot restore " << full;
            continue;
        }
        for (const RegValue& v : key.values)
            RegSetValueExA(hKey, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
                           reinterpret_cast<const BYTE*>(v.data.data()), static_cast<DWORD>(v.data.size()));
        RegCloseKey(hKey);
    }
}

RegistrySandbox::RegistrySandbox() {
    static int s_nCounter = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "none";
    m_path = "Software\\ZorvandTests\\" + test + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(++s_nCounter);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    LONG rc =
        RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "cannot create the sandbox key HKCU\\" << m_path << ": " << rc;
}

RegistrySandbox::~RegistrySandbox() {
    if (m_hKey != nullptr) RegCloseKey(m_hKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    std::string parent = m_path.substr(0, m_path.rfind('\\'));
    RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());  // only when no other run still uses it
}

void RegistrySandbox::CreateKey(const std::string& path) {
    HKEY hKey;
    LONG rc = RegCreateKeyExA(m_hKey, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "creating " << path;
    RegCloseKey(hKey);
}

void RegistrySandbox::SetValue(const std::string& path, const std::string& name, DWORD type, const std::string& data) {
    HKEY hKey;
    LONG rc = RegCreateKeyExA(m_hKey, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "creating " << path;
    rc = RegSetValueExA(hKey, name.empty() ? nullptr : name.c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(hKey);
    ASSERT_EQ(rc, ERROR_SUCCESS) << "setting " << path << " [" << name << "]";
}

void RegistrySandbox::SetString(const std::string& path, const std::string& name, const std::string& text, DWORD type) {
    SetValue(path, name, type, text + std::string(1, '\0'));
}

bool RegistrySandbox::GetValue(const std::string& path, const std::string& name, RegValue* pValue) const {
    HKEY hKey;
    if (RegOpenKeyExA(m_hKey, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD len = 0;
    LONG rc = RegQueryValueExA(hKey, name.empty() ? nullptr : name.c_str(), nullptr, &type, nullptr, &len);
    std::string data(len, '\0');
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExA(hKey, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(&data[0]), &len);
    RegCloseKey(hKey);
    if (rc != ERROR_SUCCESS) return false;
    data.resize(len);
    *pValue = RegValue{name, type, data};
    return true;
}

bool RegistrySandbox::KeyExists(const std::string& path) const {
    HKEY hKey;
    if (RegOpenKeyExA(m_hKey, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    RegCloseKey(hKey);
    return true;
}

void RegistrySandbox::DeleteKey(const std::string& path) {
    RegDeleteTreeA(m_hKey, path.c_str());
}

std::vector<std::string> RegistrySandbox::Dump(const std::string& path) const {
    return DumpTree(m_hKey, path);
}

}  // namespace harness
