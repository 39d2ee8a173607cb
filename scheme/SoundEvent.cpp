#include "SoundEvent.h"

#include "SchemeRules.h"

SoundEvent::SoundEvent(const CString& strKey, const CString& strLabel) : m_strKey(strKey), m_strLabel(strLabel) {}

void SoundEvent::SetFile(const CString& strFile) {
    m_strFile = strFile;
    m_strSoundPath = strFile;
    m_bAssigned = TRUE;
}

void SoundEvent::SetStoredValue(DWORD dwType, const CString& strData) {
    m_bStored = TRUE;
    m_dwStoredType = dwType;
    m_strStoredData = strData;
    // A REG_SZ value names a file and a REG_EXPAND_SZ value one whose environment
    // variables are expanded; any other type leaves the event without sound.
    CString strText(strData, static_cast<int>(scheme::RegSzTextLength(strData, strData.GetLength())));
    if (dwType == REG_SZ) {
        m_strFile = strText;
        m_strSoundPath = strText;
    } else if (dwType == REG_EXPAND_SZ) {
        // An expansion that fails or does not fit a path is no sound.
        char szPath[MAX_PATH];
        DWORD nNeeded = ::ExpandEnvironmentStringsA(strText, szPath, MAX_PATH);
        if (nNeeded != 0 && nNeeded <= MAX_PATH) m_strSoundPath = szPath;
    }
}
