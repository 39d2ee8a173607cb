#include "SoundEvent.h"

#include "SchemeRules.h"

SoundEvent::SoundEvent(const CString& strKey, const CString& strLabel) : m_strKey(strKey), m_strLabel(strLabel) {}

void SoundEvent::SetFile(const CString& strFile) {
    m_strFile = strFile;
    m_bAssigned = TRUE;
}

void SoundEvent::SetStoredValue(DWORD dwType, const CString& strData) {
    m_bStored = TRUE;
    m_dwStoredType = dwType;
    m_strStoredData = strData;
    // Only a REG_SZ value names a file; any other type leaves the event without sound.
    if (dwType == REG_SZ) {
        m_strFile = CString(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
    }
}
