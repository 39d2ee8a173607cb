// One sound event of the scheme: its registry key, the label the user sees and
// the wave file assigned to it.
#pragma once

#include <string>

#include "RegistryValues.h"
#include "afx.h"

class SoundEvent {
public:
    SoundEvent(const std::wstring& strKey, const CString& strLabel);

    // The event's key name, as the registry holds it.
    const std::wstring& GetKeyName() const { return m_strKey; }
    // The key name as the code page shows it, for messages.
    CString GetKey() const;
    CString GetLabel() const { return m_strLabel; }
    // The file a REG_SZ value names, or the user's assignment: what OK writes as REG_SZ.
    CString GetFile() const { return m_strFile; }
    // The path the dialog shows, previews and plays: the file above, or the
    // expansion of a REG_EXPAND_SZ value, which is never written back expanded.
    CString GetSoundPath() const { return m_strSoundPath; }
    // The path the stored value plays, whatever the user chose since.
    CString GetStoredPath() const { return m_strStoredPath; }
    // The user's assignment; from now on OK writes this file for the event.
    void SetFile(const CString& strFile);
    // Takes back the user's assignment: the event plays its stored value again
    // and OK leaves it as it is.
    void Revert();

    // The value the event plays, as it was read at start-up (or from a scheme
    // applied), kept byte for byte so that OK can leave an event the user did
    // not touch as it was and a scheme saved gets it exactly.
    // Also takes back the user's assignment, as a scheme applied does.
    void SetStoredValue(const scheme::StoredValue& value);
    // No stored value and no assignment: the event has no sound.
    void ClearStoredValue();
    BOOL HasStoredValue() const { return m_bStored; }
    const scheme::StoredValue& GetStoredValue() const { return m_stored; }
    // Whether the stored value is missing or the empty text: choosing no sound changes nothing.
    BOOL IsStoredEmpty() const;
    BOOL IsAssigned() const { return m_bAssigned; }
    // Whether the event had a .Current key at start-up, with or without a value.
    void SetHasCurrentKey() { m_bCurrentKey = TRUE; }
    BOOL HasCurrentKey() const { return m_bCurrentKey; }

private:
    // The file a stored REG_SZ value names in the code page; empty for any other
    // value, and for a text the code page cannot hold.
    CString StoredFile() const;

    std::wstring m_strKey;
    CString m_strLabel;
    CString m_strFile;
    CString m_strSoundPath;
    CString m_strStoredPath;

    BOOL m_bStored = FALSE;
    scheme::StoredValue m_stored;
    BOOL m_bAssigned = FALSE;
    BOOL m_bCurrentKey = FALSE;
};
