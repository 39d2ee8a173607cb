// A private root for one test's sound scheme: a fresh key below the real
// HKEY_CURRENT_USER, given to the store or the dialog in its place, and deleted
// again when the sandbox ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace harness {

struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;  // the stored bytes, exactly
    bool operator==(const RegValue& o) const { return name == o.name && type == o.type && data == o.data; }
};

// Every key below a root with every value, in a stable order: "path|name|type|hex".
std::vector<std::string> DumpTree(HKEY hRoot, const std::string& path);

// Keeps a real key's whole tree and puts it back exactly as it was, for tests
// that must use the real HKEY_CURRENT_USER (a separate process cannot be redirected).
class RegistryBackup {
public:
    RegistryBackup(HKEY hRoot, const std::string& path);
    ~RegistryBackup();
    RegistryBackup(const RegistryBackup&) = delete;
    RegistryBackup& operator=(const RegistryBackup&) = delete;

private:
    struct Key {
        std::string path;
        std::vector<RegValue> values;
    };
    HKEY m_hRoot;
    std::string m_path;
    bool m_bExisted = false;
    std::vector<Key> m_keys;
};

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // The key that stands in for HKEY_CURRENT_USER, and its path below the real HKCU.
    HKEY Root() const { return m_hKey; }
    const std::string& RealPath() const { return m_path; }

    // Creates the key (and its parents) below the sandbox's root.
    void CreateKey(const std::string& path);
    // Stores a value with exactly these bytes; "" names the unnamed default value.
    void SetValue(const std::string& path, const std::string& name, DWORD type, const std::string& data);
    // A REG_SZ or REG_EXPAND_SZ value stored with its terminating NUL.
    void SetString(const std::string& path, const std::string& name, const std::string& text, DWORD type = REG_SZ);
    // Reads a value back; false when the key or the value does not exist.
    bool GetValue(const std::string& path, const std::string& name, RegValue* pValue) const;
    bool KeyExists(const std::string& path) const;
    void DeleteKey(const std::string& path);
    std::vector<std::string> Dump(const std::string& path = "") const;

private:
    std::string m_path;
    HKEY m_hKey = nullptr;
};

}  // namespace harness
