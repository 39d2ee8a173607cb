// Saving: the assignments go back to the registry as the current sound scheme.
#include "SchemeStore.h"
#include "SoundEvent.h"

BOOL SchemeStore::SaveCurrentSounds(const std::wstring& strApp, const SaveReport& report) const {
    HKEY hAppKey;
    if (OpenAppKey(strApp, &hAppKey) != ERROR_SUCCESS) return FALSE;
    // Without the current sounds nothing is known of what the events hold:
    // writing would put empty values over the whole scheme.
    const EventTable* pTable = FindTable(strApp);
    const INT_PTR nEvents = pTable != nullptr && pTable->bSoundsLoaded ? pTable->events.GetSize() : 0;
    for (INT_PTR i = 0; i < nEvents; ++i) {
        auto* pEvent = reinterpret_cast<SoundEvent*>(pTable->events.GetAt(i));
        // Only what the user changed is written. An event left alone keeps its key
        // exactly as it was, whatever its values are named and typed; only a
        // .Current that is still missing now is created, holding the empty string.
        // One that another program created while the dialog was open holds its
        // sound, which this dialog never saw: it is left alone.
        BOOL bAssigned = pEvent->IsAssigned();
        if (!bAssigned && pEvent->HasCurrentKey()) continue;
        scheme::StoredValue value = bAssigned ? scheme::TextValue(pEvent->GetFile()) : scheme::EmptyText();

        HKEY hEventKey;
        if (::RegOpenKeyExW(hAppKey, pEvent->GetKeyName().c_str(), 0, KEY_ALL_ACCESS, &hEventKey) != ERROR_SUCCESS) {
            report(SaveFailure::EventKey, pEvent->GetKey());
            // No key to create .Current below: this event is done.
            continue;
        }
        HKEY hCurrentKey;
        DWORD dwDisposition = 0;
        LONG rc = ::RegCreateKeyExW(hEventKey, L".Current", 0, const_cast<LPWSTR>(L""), REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &hCurrentKey, &dwDisposition);
        ::RegCloseKey(hEventKey);
        if (rc != ERROR_SUCCESS) {
            report(SaveFailure::CurrentKey, pEvent->GetKey());
            continue;
        }
        if (!bAssigned && dwDisposition != REG_CREATED_NEW_KEY) {
            ::RegCloseKey(hCurrentKey);
            continue;
        }
        if (m_writeValue(hCurrentKey, value) != ERROR_SUCCESS) report(SaveFailure::Value, pEvent->GetKey());
        // Each event reaches the permanent store before the next one is handled.
        ::RegFlushKey(hCurrentKey);
        ::RegCloseKey(hCurrentKey);
    }
    ::RegCloseKey(hAppKey);
    return TRUE;
}
