// One sound event of the scheme: its registry key, the label the user sees and
// the wave file assigned to it.
#pragma once

#include "afx.h"

class SoundEvent {
public:
    SoundEvent(const CString& strKey, const CString& strLabel);

    CString GetKey() const { return m_strKey; }
    CString GetLabel() const { return m_strLabel; }
    CString GetFile() const { return m_strFile; }
    // The user's assignment; from now on OK writes this file for the event.
    void SetFile(const CString& strFile);

    // What the event's .Current value held at start-up, kept byte for byte so
    // that OK can leave an event the user did not touch as it was.
    void SetStoredValue(DWORD dwType, const CString& strData);
    BOOL HasStoredValue() const { return m_bStored; }
    DWORD GetStoredType() const { return m_dwStoredType; }
    const CString& GetStoredData() const { return m_strStoredData; }
    BOOL IsAssigned() const { return m_bAssigned; }
    // Whether the event had a .Current key at start-up, with or without a value.
    void SetHasCurrentKey() { m_bCurrentKey = TRUE; }
    BOOL HasCurrentKey() const { return m_bCurrentKey; }

private:
    CString m_strKey;
    CString m_strLabel;
    CString m_strFile;

    BOOL m_bStored = FALSE;
    DWORD m_dwStoredType = REG_NONE;
    CString m_strStoredData;
    BOOL m_bAssigned = FALSE;
    BOOL m_bCurrentKey = FALSE;
};
