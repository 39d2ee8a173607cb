// The sound scheme in the registry, apart from any window: the events that an
// application declares, their labels and current sounds, and the writing back
// of what the user changed. Every key it reads or writes lies below the root it
// is given: HKEY_CURRENT_USER for the program, a sandbox key in tests. It shows
// nothing; what fails is told to its caller.
#pragma once

#include <functional>
#include <vector>

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

    // Named schemes, kept as the system keeps them: Schemes' default value is
    // the id of the scheme in use, Schemes\Names\<id>'s default value its
    // name, and the default value of Schemes\Apps\<app>\<event>\<id> its
    // sound for an event. The system's own schemes cannot be changed here.
    struct Scheme {
        CString strId;
        CString strName;  // resolved as event labels are; the id where there is none
    };
    // Every scheme that Names lists, sorted by name.
    std::vector<Scheme> ListSchemes() const;
    // The id of the scheme in use; empty when none is named.
    CString GetSchemeInUse() const;
    // Whether an id can name a scheme: a key name that is not the current sounds'.
    static BOOL IsSchemeId(const CString& strId);
    // The system's schemes, and what cannot name a scheme: never written or removed here.
    static BOOL IsReservedId(const CString& strId);

    // Gives every event its sound in the scheme as its stored value, in place of
    // what it held and of the user's assignment: an event without a text value
    // there has no sound. FALSE, with no event changed, when the application key
    // cannot be opened.
    BOOL LoadSchemeSounds(const CString& strApp, const CString& strId, const CObArray& events) const;
    // Makes a scheme the current one, as the system applies it: every event of
    // every application with a value in it gets that value as .Current, of the
    // same type; every other .Current becomes empty; Schemes names the scheme.
    BOOL ApplyScheme(const CString& strId) const;

    // A new id for a scheme of this name, which no scheme has.
    CString MakeSchemeId(const CString& strName) const;
    // Stores a whole scheme under the id and the name: the events of the
    // application given get what they hold (a user's assignment as REG_SZ, else
    // their stored value as it was read); every other event its .Current as it
    // stands. Whatever the id held before is replaced. FALSE, with the scheme
    // removed again, when a write fails.
    BOOL SaveScheme(const CString& strId, const CString& strName, const CString& strApp, const CObArray& events) const;
    // Removes a user's scheme: its name and every event's value in it, and
    // nothing else. Schemes is emptied when it named the scheme. FALSE for the
    // system's schemes and when a key cannot be removed.
    BOOL DeleteScheme(const CString& strId) const;

private:
    // Removes the scheme's name and every event's value in it.
    BOOL RemoveSchemeKeys(const CString& strId) const;
    // Calls visit(app key name, event key name, event key) for every event key of every application.
    template <typename Visit>
    BOOL ForEachEvent(REGSAM access, Visit visit) const;

    HKEY m_hRoot;
};
