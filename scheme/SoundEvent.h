// One sound event of the scheme: its registry key, the label the user sees and
// the wave file assigned to it.
#pragma once

#include "afx.h"

class SoundEvent {
public:
    SoundEvent(const CString& strKey, const CString& strLabel);

    CString GetKey() const { return m_strKey; }
    CString GetLabel() const { return m_strLabel; }
    // The file a REG_SZ value names, or the user's assignment: what OK writes as REG_SZ.
    CString GetFile() const { return m_strFile; }
    // The path the dialog shows, previews and plays: the file above, or the
    // expansion of a REG_EXPAND_SZ value, which is never written back expanded.
    CString GetSoundPath() const { return m_strSoundPath; }
    // The path the stored value plays, where the value's own text is not it: the
    // expansion of a REG_EXPAND_SZ value, the short path for a text the code page
    // cannot hold, or empty for no sound.
    void SetSoundPath(const CString& strPath) { m_strSoundPath = m_strStoredPath = strPath; }
    // The path the stored value plays, whatever the user chose since.
    CString GetStoredPath() const { return m_strStoredPath; }
    // The user's assignment; from now on OK writes this file for the event.
    void SetFile(const CString& strFile);
    // Takes back the user's assignment: the event plays its stored value again
    // and OK leaves it as it is.
    void Revert();

    // What the event's .Current value held at start-up, kept byte for byte so
    // that OK can leave an event the user did not touch as it was.
    // Also takes back the user's assignment, as a scheme applied does.
    void SetStoredValue(DWORD dwType, const CString& strData);
    // No stored value and no assignment: the event has no sound.
    void ClearStoredValue();
    BOOL HasStoredValue() const { return m_bStored; }
    DWORD GetStoredType() const { return m_dwStoredType; }
    const CString& GetStoredData() const { return m_strStoredData; }
    BOOL IsAssigned() const { return m_bAssigned; }
    // Whether the event had a .Current key at start-up, with or without a value.
    void SetHasCurrentKey() { m_bCurrentKey = TRUE; }
    BOOL HasCurrentKey() const { return m_bCurrentKey; }

private:
    // The file a stored REG_SZ value names; empty for any other value.
    CString StoredFile() const;

    CString m_strKey;
    CString m_strLabel;
    CString m_strFile;
    CString m_strSoundPath;
    CString m_strStoredPath;

    BOOL m_bStored = FALSE;
    DWORD m_dwStoredType = REG_NONE;
    CString m_strStoredData;
    BOOL m_bAssigned = FALSE;
    BOOL m_bCurrentKey = FALSE;
};
