#include "SoundEvent.h"

SoundEvent::SoundEvent(const std::wstring& strKey, const CString& strLabel) : m_strKey(strKey), m_strLabel(strLabel) {}

CString SoundEvent::GetKey() const {
    CString strKey;
    scheme::NarrowText(m_strKey, &strKey);
    return strKey;
}

void SoundEvent::SetFile(const CString& strFile) {
    m_strFile = strFile;
    m_strSoundPath = strFile;
    m_bAssigned = TRUE;
}

void SoundEvent::SetStoredValue(const scheme::StoredValue& value) {
    m_bAssigned = FALSE;
    m_bStored = TRUE;
    m_stored = value;
    m_strFile = StoredFile();
    m_strSoundPath = m_strStoredPath = scheme::SoundPathOf(value);
}

void SoundEvent::ClearStoredValue() {
    m_bAssigned = FALSE;
    m_bStored = FALSE;
    m_stored = scheme::StoredValue();
    m_strFile.Empty();
    m_strSoundPath.Empty();
    m_strStoredPath.Empty();
}

BOOL SoundEvent::IsStoredEmpty() const {
    return !m_bStored || (scheme::IsText(m_stored.dwType) && scheme::ValueText(m_stored).empty());
}

void SoundEvent::Revert() {
    m_bAssigned = FALSE;
    m_strFile = StoredFile();
    m_strSoundPath = m_strStoredPath;
}

CString SoundEvent::StoredFile() const {
    // A REG_SZ value names a file. A REG_EXPAND_SZ value's path is its expansion,
    // which is never written back expanded; any other type leaves the event without sound.
    CString strFile;
    if (m_bStored && m_stored.dwType == REG_SZ && !scheme::NarrowText(scheme::ValueText(m_stored), &strFile))
        strFile.Empty();
    return strFile;
}
