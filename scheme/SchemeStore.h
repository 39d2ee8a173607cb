// The sound scheme in the registry, apart from any window: the applications
// with sound events, the events each declares with their labels and current
// sounds, kept once read with what the user changed, and the writing back of
// those changes. Every key it reads or writes lies below the root it is given:
// HKEY_CURRENT_USER for the program, a sandbox key in tests. It shows nothing;
// what fails is told to its caller.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "RegistryValues.h"
#include "afx.h"

class SchemeStore {
public:
    explicit SchemeStore(HKEY hRoot) : m_hRoot(hRoot) {}
    // Deletes every event record it holds.
    ~SchemeStore();
    SchemeStore(const SchemeStore&) = delete;
    SchemeStore& operator=(const SchemeStore&) = delete;

    // An application with sound events, as the dialog offers it.
    struct Application {
        std::wstring strKey;  // its key name below Schemes\Apps
        CString strShown;     // its display name as the code page shows it
    };
    // .Default first, named "Windows" where it has no name of its own, then
    // every other application with at least one event that the dialog shows,
    // in the code page's order of their names. A name is the app key's
    // DispFileName resolved as event labels are, else its default value, else
    // its key name. Empty when .Default cannot be opened.
    std::vector<Application> ListApplications() const;

    // The events of an application that the store holds, SoundEvent records in
    // the registry's order, owned by the store for its life: empty until
    // LoadEvents read them.
    const CObArray& GetEvents(const std::wstring& strApp) const;
    // Whether LoadEvents and LoadCurrentSounds read the application's events.
    BOOL IsLoaded(const std::wstring& strApp) const;
    // Every application whose events were read, in the order they were.
    std::vector<std::wstring> GetLoadedApplications() const;

    // Appends to the application's events one new SoundEvent for each event
    // of the application that has a label, in the registry's order. FALSE,
    // with nothing appended, when the application key cannot be opened.
    BOOL LoadEvents(const std::wstring& strApp);
    // Sets every event's stored value, sound path and whether it has a .Current
    // key from the registry. FALSE, with no event changed, when the application
    // key cannot be opened.
    BOOL LoadCurrentSounds(const std::wstring& strApp);

    // What saving could not do for one event, in the order it happens.
    enum class SaveFailure {
        EventKey,    // the event's key cannot be opened
        CurrentKey,  // its .Current key can be neither opened nor created
        Value,       // the value cannot be set
    };
    // Told of a failure before saving goes on with the next step.
    using SaveReport = std::function<void(SaveFailure failure, const CString& strEventKey)>;
    // Writes the .Current value of every event of the application that the
    // user assigned a file or no sound, and an empty one into a .Current key
    // that is missing; everything else stays as it is. Nothing is written for
    // events whose current sounds were never read. FALSE, with nothing
    // written, when the application key cannot be opened.
    BOOL SaveCurrentSounds(const std::wstring& strApp, const SaveReport& report) const;
    // Sets a key's default value for SaveCurrentSounds: the registry's own
    // write. Apart so that tests can have the registry refuse it, which it
    // never does for a key this store opened with every access.
    using ValueWriter = std::function<LONG(HKEY hKey, const scheme::StoredValue& value)>;
    void SetValueWriter(ValueWriter writer) { m_writeValue = std::move(writer); }

    // The label an event is shown under, as the catalogue reads it; its key
    // name where it has none.
    CString GetEventLabel(const std::wstring& strEvent) const;

    // Named schemes, kept as the system keeps them: Schemes' default value is
    // the id of the scheme in use, Schemes\Names\<id>'s default value its
    // name, and the value an event plays in Schemes\Apps\<app>\<event>\<id>
    // its sound for an event. Ids are key names, kept in UTF-16 as the registry
    // holds them; the system's own schemes cannot be changed here.
    struct Scheme {
        std::wstring strId;
        std::wstring strName;  // resolved as event labels are; the id where there is none
        CString strShown;      // the name as the code page shows it
        BOOL bSystem;          // the system's or a theme's (named "@library,-id"): never replaced or removed
    };
    // Every scheme that Names lists, sorted by name.
    std::vector<Scheme> ListSchemes() const;
    // The id of the scheme in use; empty when none is named.
    std::wstring GetSchemeInUse() const;
    // Whether an id can name a scheme: a key name that is not the current sounds'.
    static BOOL IsSchemeId(const std::wstring& strId);
    // The system's schemes, and what cannot name a scheme: never written or removed here.
    static BOOL IsReservedId(const std::wstring& strId);

    // Gives every event of the applications that the store holds its sound in
    // the scheme as its stored value, in place of what it held and of the
    // user's assignment: an event without a text value there has no sound.
    // FALSE, with no event of any of them changed, when an application key
    // cannot be opened.
    BOOL LoadSchemeSounds(const std::vector<std::wstring>& apps, const std::wstring& strId) const;
    // An event of an application, by key names.
    struct EventKey {
        std::wstring strApp;
        std::wstring strEvent;
    };
    // Events ordered by application and event key names, as the registry compares them.
    struct EventKeyLess {
        bool operator()(const EventKey& a, const EventKey& b) const {
            scheme::NameLess less;
            return less(a.strApp, b.strApp) || (!less(b.strApp, a.strApp) && less(a.strEvent, b.strEvent));
        }
    };
    // Makes a scheme the current one, as the system applies it: every event of
    // every application with a value in it gets that value as .Current, of the
    // same type; every other .Current becomes empty. Schemes names the scheme
    // only when every event was written; pFailed gets those that were not.
    BOOL ApplyScheme(const std::wstring& strId, std::vector<EventKey>* pFailed) const;

    // A new id for a scheme of this name: no scheme has it, no event key has a
    // subkey of that name, and it does not begin with '.', which the system
    // keeps for its own keys.
    std::wstring MakeSchemeId(const CString& strName) const;
    // Stores a whole scheme under a new id and the name: the events whose
    // current sounds the store read get what they hold (a user's assignment as
    // REG_SZ, else their stored value as it was read); every other event what
    // plays now, or the sound of strApplied, a scheme applied but not yet made
    // current, when that is not empty. The scheme of strReplaced, if any, is
    // removed only once the new one is complete, and the new id takes its
    // place as the scheme in use; FALSE, with the new one removed again and
    // the old one as it was, when a write fails. pId gets the new id.
    BOOL SaveScheme(const std::wstring& strReplaced, const CString& strName, const std::wstring& strApplied,
                    std::wstring* pId) const;
    // Removes a user's scheme: its name and every event's value in it, and
    // nothing else. Schemes is emptied when it named the scheme. FALSE for the
    // system's schemes and when a key cannot be removed.
    BOOL DeleteScheme(const std::wstring& strId) const;

    // Schemes shared with other systems. A sound shared: an event of an
    // application, by key names, and the text it plays.
    struct SharedSound {
        EventKey event;
        scheme::StoredValue value;  // REG_SZ or REG_EXPAND_SZ; the empty text for no sound
    };
    // The longest name a scheme is given here, in characters.
    static constexpr size_t kMaxSchemeName = 64;
    // The sounds of a scheme (the current sounds for an empty id) for every
    // event of every application that has its key; a value that is not text
    // is no sound. FALSE when the applications cannot be read.
    BOOL ReadSharedSounds(const std::wstring& strId, std::vector<SharedSound>* pSounds) const;
    // A name for a new scheme by the rules of Save As, which no scheme has: the
    // name wanted as code page 932 holds it, cut to kMaxSchemeName characters
    // with " (2)", " (3)"... where a scheme's name is taken.
    CString MakeSchemeName(const std::wstring& strWanted) const;
    // Stores the sounds as a new scheme of the name, for the events this system
    // has (Schemes\Apps\<app>\<event> exists), the first sound of an event:
    // pWritten gets those written, pnLacking the number of events lacking. FALSE,
    // with nothing of the scheme left, when a write fails. pId gets its id.
    BOOL ImportScheme(const CString& strName, const std::vector<SharedSound>& sounds, std::wstring* pId,
                      std::vector<SharedSound>* pWritten, size_t* pnLacking) const;

private:
    // Removes the scheme's name and every event's value in it.
    BOOL RemoveSchemeKeys(const std::wstring& strId) const;
    // Calls visit(app key name, event key name, event key) for every event key of
    // every application; the key is null where it cannot be opened with the access asked.
    template <typename Visit>
    BOOL ForEachEvent(REGSAM access, Visit visit) const;
    // Names Schemes' default value as the scheme in use.
    BOOL SetSchemeInUse(const std::wstring& strId) const;
    // ForEachEvent for the store's other files.
    using EventVisitor = std::function<void(const std::wstring& strApp, const std::wstring& strEvent, HKEY hEvent)>;
    BOOL VisitEvents(REGSAM access, const EventVisitor& visit) const;

    // The events read for one application.
    struct EventTable {
        CObArray events;             // SoundEvent records; owned
        BOOL bSoundsLoaded = FALSE;  // their current sounds were read
    };
    EventTable* FindTable(const std::wstring& strApp) const;
    // Opens Schemes\Apps\<app> for reading.
    LONG OpenAppKey(const std::wstring& strApp, HKEY* phKey) const;

    HKEY m_hRoot;
    ValueWriter m_writeValue = scheme::WriteDefaultValue;
    std::vector<std::pair<std::wstring, std::unique_ptr<EventTable>>> m_tables;  // in the order first asked
};
