// Saving: the assignments go back to the registry as the current sound scheme.
#include "SchemeStore.h"
#include "SoundEvent.h"

LONG SchemeStore::CreateCurrentKey(HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition) {
    return ::RegCreateKeyExA(hEventKey, ".Current", 0, const_cast<LPSTR>(""), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, phCurrentKey, pdwDisposition);
}

LONG SchemeStore::SetCurrentValue(HKEY hCurrentKey, DWORD dwType, const CString& strData) {
    return ::RegSetValueExA(hCurrentKey, "", 0, dwType, reinterpret_cast<const BYTE*>(static_cast<LPCSTR>(strData)),
                            static_cast<DWORD>(strData.GetLength()));
}

BOOL SchemeStore::SaveCurrentSounds(const CString& strApp, const CObArray& events, const SaveCalls& calls) const {
    HKEY hAppKey;
    if (::RegOpenKeyExA(m_hRoot, "AppEvents\\Schemes\\Apps\\" + strApp, 0, KEY_READ, &hAppKey) != ERROR_SUCCESS)
        return FALSE;
    auto createCurrentKey = calls.createCurrentKey ? calls.createCurrentKey : &SchemeStore::CreateCurrentKey;
    auto setCurrentValue = calls.setCurrentValue ? calls.setCurrentValue : &SchemeStore::SetCurrentValue;
    auto report = [&calls](SaveFailure failure, const CString& strKey) {
        if (calls.report) calls.report(failure, strKey);
    };
    for (INT_PTR i = 0; i < events.GetSize(); ++i) {
        auto* pEvent = reinterpret_cast<SoundEvent*>(events.GetAt(i));
        // Only what the user changed is written. An event left alone keeps its key
        // exactly as it was, whatever its values are named and typed; only a
        // .Current that is still missing now is created, holding the empty string.
        // One that another program created while the dialog was open holds its
        // sound, which this dialog never saw: it is left alone.
        BOOL bAssigned = pEvent->IsAssigned();
        if (!bAssigned && pEvent->HasCurrentKey()) continue;
        CString strData = (bAssigned ? pEvent->GetFile() : CString()) + CString('\0');

        HKEY hEventKey;
        if (::RegOpenKeyExA(hAppKey, pEvent->GetKey(), 0, KEY_ALL_ACCESS, &hEventKey) != ERROR_SUCCESS) {
            report(SaveFailure::EventKey, pEvent->GetKey());
            // No key to create .Current below: this event is done.
            continue;
        }
        HKEY hCurrentKey;
        DWORD dwDisposition = 0;
        LONG rc = createCurrentKey(hEventKey, &hCurrentKey, &dwDisposition);
        ::RegCloseKey(hEventKey);
        if (rc != ERROR_SUCCESS) {
            report(SaveFailure::CurrentKey, pEvent->GetKey());
            continue;
        }
        if (!bAssigned && dwDisposition != REG_CREATED_NEW_KEY) {
            ::RegCloseKey(hCurrentKey);
            continue;
        }
        if (setCurrentValue(hCurrentKey, REG_SZ, strData) != ERROR_SUCCESS)
            report(SaveFailure::Value, pEvent->GetKey());
        // Each event reaches the permanent store before the next one is handled.
        ::RegFlushKey(hCurrentKey);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}
