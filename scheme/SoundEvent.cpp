#include "SoundEvent.h"

#include "SchemeRules.h"

SoundEvent::SoundEvent(const CString& strKey, const CString& strLabel) : m_strKey(strKey), m_strLabel(strLabel) {}

void SoundEvent::SetFile(const CString& strFile) {
    m_strFile = strFile;
    m_strSoundPath = strFile;
    m_bAssigned = TRUE;
}

void SoundEvent::SetStoredValue(DWORD dwType, const CString& strData) {
    m_bAssigned = FALSE;
    m_bStored = TRUE;
    m_dwStoredType = dwType;
    m_strStoredData = strData;
    m_strFile = StoredFile();
    m_strSoundPath = m_strStoredPath = m_strFile;
}

void SoundEvent::ClearStoredValue() {
    m_bAssigned = FALSE;
    m_bStored = FALSE;
    m_dwStoredType = REG_NONE;
    m_strStoredData.Empty();
    m_strFile.Empty();
    m_strSoundPath.Empty();
    m_strStoredPath.Empty();
}

void SoundEvent::Revert() {
    m_bAssigned = FALSE;
    m_strFile = StoredFile();
    m_strSoundPath = m_strStoredPath;
}

CString SoundEvent::StoredFile() const {
    // A REG_SZ value names a file. A REG_EXPAND_SZ value's path is its expansion,
    // which the catalogue makes in UTF-16 (SetSoundPath); any other type leaves
    // the event without sound.
    if (!m_bStored || m_dwStoredType != REG_SZ) return CString();
    return CString(m_strStoredData,
                   static_cast<int>(scheme::RegSzTextLength(m_strStoredData, m_strStoredData.GetLength())));
}
