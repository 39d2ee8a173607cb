// The scheme store without a window, on a root key of its own in a sandbox:
// named schemes listed, applied, saved and deleted in the system's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "SchemeStore.h"
#include "SoundEvent.h"
#include "registry_sandbox.h"
#include "test_files.h"

namespace {

const std::string kRoot = "StoreRoot";
const std::string kSchemes = kRoot + "\\AppEvents\\Schemes";
const std::string kApps = kSchemes + "\\Apps";

std::string Narrow(const std::wstring& text) {
    CString narrow;
    scheme::NarrowText(text, &narrow);
    return std::string(narrow);
}

class SchemeStoreTest : public testing::Test {
protected:
    void SetUp() override {
        m_reg.CreateKey(kRoot);
        ASSERT_EQ(RegOpenKeyExA(m_reg.Root(), kRoot.c_str(), 0, KEY_ALL_ACCESS, &m_hRoot), ERROR_SUCCESS);
        m_store = std::make_unique<SchemeStore>(m_hRoot);
    }
    void TearDown() override {
        m_store.reset();
        RegCloseKey(m_hRoot);
    }
    // A text value stored with its terminating NUL, as the system stores it.
    void Set(const std::string& path, const std::string& text, DWORD type = REG_SZ) {
        m_reg.SetString(kApps + "\\" + path, "", text, type);
    }
    // "type:text" of a default value below Apps, "-" when there is none.
    std::string Get(const std::string& path) {
        harness::RegValue value;
        if (!m_reg.GetValue(kApps + "\\" + path, "", &value)) return "-";
        return std::to_string(value.type) + ":" + value.data.substr(0, value.data.find('\0'));
    }
    // The store's .Default event of this key, once its events and sounds are read.
    SoundEvent* Event(const char* key) {
        const CObArray& events = m_store->GetEvents(L".Default");
        for (INT_PTR i = 0; i < events.GetSize(); ++i) {
            auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
            if (pEvent->GetKey() == key) return pEvent;
        }
        ADD_FAILURE() << key << " is not read";
        return nullptr;
    }

    harness::RegistrySandbox m_reg;
    HKEY m_hRoot = nullptr;
    std::unique_ptr<SchemeStore> m_store;
};

TEST_F(SchemeStoreTest, ListsSchemesByNameResolvingLibraryNames) {
    harness::TestDirectory dir;
    std::string library = dir / "event_names.dll";
    ASSERT_TRUE(CopyFileA(harness::WindowsPath(ZORVAND_EVENT_NAMES_DLL).c_str(), library.c_str(), FALSE));
    m_reg.SetString(kSchemes + "\\Names\\x1", "", "ベータ");
    m_reg.SetString(kSchemes + "\\Names\\x2", "", "アルファ");
    m_reg.SetString(kSchemes + "\\Names\\.Default", "", "@" + library + ",-5834");
    m_reg.CreateKey(kSchemes + "\\Names\\noname");
    m_reg.SetValue(kSchemes + "\\Names\\damaged", "", REG_DWORD, std::string(4, '\1'));
    m_reg.SetString(kSchemes + "\\Names\\.Current", "", "今の音");
    m_reg.SetString(kSchemes, "", "x2");

    std::vector<std::string> listed;
    for (const SchemeStore::Scheme& scheme : m_store->ListSchemes())
        listed.push_back(Narrow(scheme.strId) + "=" + std::string(scheme.strShown) + (scheme.bSystem ? "!" : ""));
    EXPECT_EQ(listed, (std::vector<std::string>{"damaged=damaged", "noname=noname", ".Default=Windows の起動!",
                                                "x2=アルファ", "x1=ベータ"}));
    EXPECT_EQ(m_store->GetSchemeInUse(), L"x2");
    EXPECT_FALSE(m_reg.KeyExists("AppEvents")) << "only the root given is read";
}

TEST_F(SchemeStoreTest, ApplyCopiesTheSchemesValuesWithTheirTypesAndEmptiesEveryOtherCurrent) {
    struct Case {
        const char* event;
        const char* current;  // null: no .Current key
        const char* value;    // null: no value in the scheme
        DWORD type;
        std::string after;  // the .Current default value afterwards
    } cases[] = {
        {".Default\\Plain", "old", "C:\\a.wav", REG_SZ, "1:C:\\a.wav"},
        {".Default\\Expand", "old", "%SystemRoot%\\b.wav", REG_EXPAND_SZ, "2:%SystemRoot%\\b.wav"},
        {".Default\\NotInScheme", "old", nullptr, REG_SZ, "1:"},
        {".Default\\NeitherKey", nullptr, nullptr, REG_SZ, "-"},
        {".Default\\NewCurrent", nullptr, "C:\\g.wav", REG_SZ, "1:C:\\g.wav"},
        {".Default\\Damaged", "old", "\1\1\1\1", REG_DWORD, "1:"},
        {"Other\\Elsewhere", "old", "C:\\f.wav", REG_SZ, "1:C:\\f.wav"},
    };
    for (const Case& c : cases) {
        m_reg.CreateKey(kApps + "\\" + c.event);
        if (c.current != nullptr) Set(std::string(c.event) + "\\.Current", c.current);
        if (c.value != nullptr)
            m_reg.SetValue(kApps + "\\" + c.event + "\\x1", "", c.type, std::string(c.value) + '\0');
        Set(std::string(c.event) + "\\x2", "C:\\other scheme.wav");
    }
    m_reg.CreateKey(kApps + "\\.Default\\KeyWithoutValue\\x1");
    Set(".Default\\KeyWithoutValue\\.Current", "old");

    std::vector<std::string> before = m_reg.Dump(kRoot);
    std::vector<SchemeStore::EventKey> failed;
    EXPECT_FALSE(m_store->ApplyScheme(L".Current", &failed));
    EXPECT_EQ(m_reg.Dump(kRoot), before) << "the current sounds are no scheme";
    ASSERT_TRUE(m_store->ApplyScheme(L"x1", &failed));
    EXPECT_TRUE(failed.empty());
    for (const Case& c : cases) {
        EXPECT_EQ(Get(std::string(c.event) + "\\.Current"), c.after) << c.event;
        EXPECT_EQ(Get(std::string(c.event) + "\\x2"), "1:C:\\other scheme.wav") << c.event;
    }
    EXPECT_EQ(Get(".Default\\KeyWithoutValue\\.Current"), "1:");
    EXPECT_EQ(m_store->GetSchemeInUse(), L"x1");
}

TEST_F(SchemeStoreTest, SaveWritesWhatTheDialogHoldsAndEveryOtherEventAsItPlays) {
    Set(".Default\\Assigned\\.Current", "C:\\old.wav");
    Set(".Default\\Expand\\.Current", "%SystemRoot%\\e.wav", REG_EXPAND_SZ);
    Set(".Default\\Silent\\.Current", "");
    Set(".Default\\Silent\\mine", "C:\\stale.wav");
    Set(".Default\\Unlisted\\.Current", "C:\\u.wav");
    Set("Other\\Elsewhere\\.Current", "%WinDir%\\f.wav", REG_EXPAND_SZ);
    m_reg.CreateKey(kApps + "\\Other\\NoCurrent");
    m_reg.SetString(kSchemes + "\\Names\\mine", "", "Mine");
    for (const char* key : {"Assigned", "Expand", "Silent"})
        m_reg.SetString(kRoot + "\\AppEvents\\EventLabels\\" + key, "", key);
    ASSERT_TRUE(m_store->LoadEvents(L".Default") && m_store->LoadCurrentSounds(L".Default"));
    Event("Assigned")->SetFile("C:\\new.wav");
    std::vector<std::string> currents = m_reg.Dump(kApps);

    Set(".Default\\Unlisted\\Keep", "another program's key");
    m_reg.SetString(kSchemes, "", "mine");

    // Replacing "mine": the new scheme is written whole under an id of its own,
    // then the old one goes and the new id is the one in use.
    std::wstring id;
    ASSERT_TRUE(m_store->SaveScheme(L"mine", "私の音", L"", &id));
    ASSERT_EQ(Narrow(id), "私の音");
    EXPECT_EQ(Get(".Default\\Assigned\\私の音"), "1:C:\\new.wav") << "a pending assignment";
    EXPECT_EQ(Get(".Default\\Expand\\私の音"), "2:%SystemRoot%\\e.wav") << "the stored type kept";
    EXPECT_EQ(Get(".Default\\Silent\\私の音"), "1:");
    EXPECT_EQ(Get(".Default\\Unlisted\\私の音"), "1:C:\\u.wav");
    EXPECT_EQ(Get("Other\\Elsewhere\\私の音"), "2:%WinDir%\\f.wav");
    EXPECT_EQ(Get("Other\\NoCurrent\\私の音"), "-");
    EXPECT_EQ(Get(".Default\\Silent\\mine"), "-") << "the scheme replaced is gone";
    EXPECT_FALSE(m_reg.KeyExists(kSchemes + "\\Names\\mine"));
    EXPECT_EQ(m_store->GetSchemeInUse(), L"私の音");
    harness::RegValue name;
    ASSERT_TRUE(m_reg.GetValue(kSchemes + "\\Names\\私の音", "", &name));
    EXPECT_EQ(name.data, std::string("私の音") + '\0');
    std::vector<std::string> after = m_reg.Dump(kApps);
    for (const std::string& line : currents) {
        if (line.find("\\mine") != std::string::npos) continue;
        EXPECT_NE(std::find(after.begin(), after.end(), line), after.end()) << "no .Current written: " << line;
    }

    // Ids no scheme and no other program's key has, never beginning with '.'.
    struct IdCase {
        const char* name;
        const char* id;
    } ids[] = {{"私の音", "私の音2"},
               {".Default", "_Default"},
               {".Keep", "_Keep"},
               {"keep", "keep2"},
               {"a\\b", "a_b"},
               {"新しい音", "新しい音"},
               {"あいうえおかきくけこさしすせそたちつ", "あいうえおかきくけこさしすせそた"}};
    for (const IdCase& c : ids) EXPECT_EQ(Narrow(m_store->MakeSchemeId(c.name)), c.id) << c.name;
}

TEST_F(SchemeStoreTest, DeleteRemovesOnlyTheSchemesKeysAndTheSystemsSchemesStay) {
    Set(".Default\\A\\.Current", "C:\\a.wav");
    Set(".Default\\A\\.Default", "C:\\d.wav");
    Set(".Default\\A\\.None", "");
    Set("Other\\B\\.Current", "C:\\b.wav");
    m_reg.SetString(kSchemes + "\\Names\\.Default", "", "Windows");
    m_reg.SetString(kSchemes, "", "");
    std::vector<std::string> before = m_reg.Dump(kRoot);
    m_reg.SetString(kSchemes, "", "gone");
    m_reg.SetString(kSchemes + "\\Names\\gone", "", "Gone");
    Set(".Default\\A\\gone", "C:\\g.wav");
    Set("Other\\B\\gone\\deeper", "x");

    for (const wchar_t* id : {L".Default", L".None", L".Current", L""}) EXPECT_FALSE(m_store->DeleteScheme(id));
    ASSERT_TRUE(m_store->DeleteScheme(L"gone"));
    EXPECT_EQ(m_reg.Dump(kRoot), before) << "the scheme in use named by no one, everything else as it was";
}

}  // namespace
