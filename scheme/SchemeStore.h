// The sound scheme in the registry, apart from any window: the events that an
// application declares, their labels and current sounds, and the writing back
// of what the user changed. Every key it reads or writes lies below the root it
// is given: HKEY_CURRENT_USER for the program, a sandbox key in tests. It shows
// nothing; what fails is told to its caller.
#pragma once

#include <functional>

#include "afx.h"

class SchemeStore {
public:
    explicit SchemeStore(HKEY hRoot) : m_hRoot(hRoot) {}

    // Names the application key's subkey at an index, as RegEnumKeyExA does.
    using EnumKeyFn = std::function<LONG(HKEY hAppKey, DWORD nIndex, LPSTR pszName, LPDWORD pnName)>;

    // Appends to events one new SoundEvent, owned by the caller, for each event
    // of the application that has a label, in the registry's order. FALSE, with
    // nothing appended, when the application key cannot be opened.
    BOOL LoadEvents(const CString& strApp, CObArray& events, const EnumKeyFn& enumKey) const;
    // Sets every event's stored value, sound path and whether it has a .Current
    // key from the registry. FALSE, with no event changed, when the application
    // key cannot be opened.
    BOOL LoadCurrentSounds(const CString& strApp, const CObArray& events) const;

    // What saving could not do for one event, in the order it happens.
    enum class SaveFailure {
        EventKey,    // the event's key cannot be opened
        CurrentKey,  // its .Current key can be neither opened nor created
        Value,       // the value cannot be set
    };
    // Saving's two writes: creates or opens an event's .Current key, telling
    // whether it was created (REG_CREATED_NEW_KEY), and sets its default value.
    static LONG CreateCurrentKey(HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition);
    static LONG SetCurrentValue(HKEY hCurrentKey, DWORD dwType, const CString& strData);
    // What saving asks of its caller: the two writes, which tests make fail (the
    // ones above where empty), and the report of a failure, made before saving
    // goes on with the next step.
    struct SaveCalls {
        std::function<LONG(HKEY hEventKey, HKEY* phCurrentKey, DWORD* pdwDisposition)> createCurrentKey;
        std::function<LONG(HKEY hCurrentKey, DWORD dwType, const CString& strData)> setCurrentValue;
        std::function<void(SaveFailure failure, const CString& strEventKey)> report;
    };
    // Writes the .Current value of every event the user assigned a file or no
    // sound, and an empty one into a .Current key that is missing; everything
    // else stays as it is. FALSE, with nothing written, when the application key
    // cannot be opened.
    BOOL SaveCurrentSounds(const CString& strApp, const CObArray& events, const SaveCalls& calls) const;

private:
    HKEY m_hRoot;
};
