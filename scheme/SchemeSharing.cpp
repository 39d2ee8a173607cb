// Schemes shared with other systems: what a scheme holds for every event of
// every application, read to be written out, and a scheme made of sounds that
// come from elsewhere, kept only for the events this system has.
#include <map>

#include "RegistryValues.h"
#include "SchemeStore.h"

using scheme::StoredValue;

BOOL SchemeStore::ReadSharedSounds(const std::wstring& strId, std::vector<SharedSound>* pSounds) const {
    if (!strId.empty() && !IsSchemeId(strId)) return FALSE;
    const std::wstring strKey = strId.empty() ? L".Current" : strId;
    return VisitEvents(KEY_READ, [&](const std::wstring& strApp, const std::wstring& strEvent, HKEY hEvent) {
        HKEY hKey;
        if (hEvent == nullptr || ::RegOpenKeyExW(hEvent, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return;
        StoredValue value;
        if (!scheme::ReadPlayedValue(hKey, &value) || !scheme::IsText(value.dwType)) value = scheme::EmptyText();
        ::RegCloseKey(hKey);
        pSounds->push_back(SharedSound{EventKey{strApp, strEvent}, value});
    });
}

CString SchemeStore::MakeSchemeName(const std::wstring& strWanted) const {
    CString strNarrow;
    scheme::NarrowText(strWanted, &strNarrow);
    // Widened again, every character is one the code page holds, none a surrogate.
    const std::wstring strBase = scheme::Widen(strNarrow);
    std::vector<Scheme> schemes = ListSchemes();
    std::wstring strName;
    for (int n = 1;; ++n) {
        std::wstring strNumber = n == 1 ? std::wstring() : L" (" + std::to_wstring(n) + L")";
        strName = strBase.substr(0, kMaxSchemeName - strNumber.size()) + strNumber;
        bool bTaken = false;
        for (const Scheme& scheme : schemes) bTaken = bTaken || scheme::SameName(scheme.strName, strName);
        if (!bTaken) break;
    }
    CString strResult;
    scheme::NarrowText(strName, &strResult);
    return strResult;
}

BOOL SchemeStore::ImportScheme(const CString& strName, const std::vector<SharedSound>& sounds, std::wstring* pId,
                               std::vector<SharedSound>* pWritten, size_t* pnLacking) const {
    // The first sound of each event: what the system lacks is counted, not looked up.
    std::map<EventKey, const SharedSound*, EventKeyLess> given;
    for (const SharedSound& sound : sounds) given.emplace(sound.event, &sound);
    std::wstring strId = MakeSchemeId(strName);
    BOOL bWritten = scheme::WriteSubkeyDefault(m_hRoot, L"AppEvents\\Schemes\\Names\\" + strId,
                                               scheme::TextValue(strName)) == ERROR_SUCCESS;
    pWritten->clear();
    BOOL bVisited =
        bWritten &&
        VisitEvents(KEY_CREATE_SUB_KEY, [&](const std::wstring& strApp, const std::wstring& strEvent, HKEY hEvent) {
            auto it = given.find(EventKey{strApp, strEvent});
            if (it == given.end() || !bWritten) return;
            bWritten =
                hEvent != nullptr && scheme::WriteSubkeyDefault(hEvent, strId, it->second->value) == ERROR_SUCCESS;
            if (bWritten) pWritten->push_back(*it->second);
        });
    if (!bVisited || !bWritten) {
        RemoveSchemeKeys(strId);
        pWritten->clear();
        return FALSE;
    }
    *pnLacking = given.size() - pWritten->size();
    *pId = strId;
    return TRUE;
}
