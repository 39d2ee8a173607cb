// The program's only window: the sound control dialog. Every subsystem adds its
// handlers and operations to this one class; the file that implements each is
// named in the comments below.
#pragma once

#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PreviewReaders.h"
#include "SchemeStore.h"
#include "afxwin.h"
#include "resource.h"

class CDIBitmap;
class SoundEvent;

class CSoundControlDlg : public CDialog {
public:
    // hRoot holds the sound scheme's keys: HKEY_CURRENT_USER, or a test's own key.
    explicit CSoundControlDlg(CWnd* pParent = nullptr, HKEY hRoot = HKEY_CURRENT_USER);
    ~CSoundControlDlg() override;

    enum { IDD = IDD_SOUNDCONTROL_DIALOG };

    // app/SoundControlDlg.cpp
    BOOL OnInitDialog() override;

    // app/DialogScheme.cpp, through the store of scheme/SchemeStore.h
    // Starts reading the drives, the applications and .Default's events with
    // their sounds on a thread of its own, so that they are read while the
    // window system starts; OnInitDialog takes what it read. Without it,
    // OnInitDialog reads them itself.
    void StartReading();
    BOOL LoadEvents(const std::wstring& strApp);
    BOOL LoadCurrentSounds(const std::wstring& strApp);
    void OnOK() override;
    BOOL SaveCurrentSounds(const std::wstring& strApp);
    // The store of the sound scheme, which holds every application's events for the dialog's life.
    SchemeStore& GetStore() { return m_store; }

    // Named schemes, for the sound settings (app/SchemeDlg.h).
    // Gives every event its sound in the scheme, shown at once; OK makes the
    // scheme the current one. Nothing is written before.
    BOOL ApplyScheme(const std::wstring& strId);
    // The scheme applied since the dialog opened, else the one the registry names.
    std::wstring GetSchemeInUse() const;
    // Saves what the user sees as current (a scheme applied, pending
    // assignments) as a scheme of this name, in place of the scheme of
    // strReplaced when that is not empty; pId gets the scheme's id.
    BOOL SaveScheme(const std::wstring& strReplaced, const CString& strName, std::wstring* pId);
    // The system's schemes and one applied but not yet made current by OK stay.
    BOOL CanDeleteScheme(const SchemeStore::Scheme& scheme) const;
    BOOL DeleteScheme(const SchemeStore::Scheme& scheme);

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    // The event at an index of the shown application's table, or null for an index outside it.
    SoundEvent* GetEvent(INT_PTR nIndex) const;

    // app/DialogScheme.cpp
    // What reading the applications and .Default found.
    enum class Reading { kRead, kNoEvents, kNoSounds };
    // Reads what start-up shows, none of it from the window: the drives, the
    // applications, and .Default's events with their sounds. Apart so that
    // tests can have it fail as running out of memory would.
    virtual Reading ReadAhead();
    // Lists the applications read, .Default chosen.
    void FillApplicationList();
    afx_msg void OnSelchangeAppCombo();
    // Fills the event list with an application's events, read already, and chooses the first.
    void ShowApplication(const std::wstring& strApp);

    // app/EventSelection.cpp
    afx_msg void OnSelchangeEventList();
    afx_msg void OnSelchangeFileList();
    // The user's choice of no sound for the current event.
    void SetNoSound();
    // Shows no sound (the none entry, no picture, no text) without touching any event.
    void ShowNoSound();

    // browser/DriveList.cpp
    // Every drive's entry, its letter and its label; asks nothing of the window.
    std::vector<CString> ReadDriveEntries();
    // Adds the entries read to the drive list.
    void FillDriveList();
    CString GetDriveLabel(CString strDrive);

    // browser/FileList.cpp
    void RefreshFileList();
    int FillFileList(UINT nFlags, LPCSTR lpszPattern);
    afx_msg void OnDblclkFileList();
    afx_msg void OnSelchangeDriveCombo();
    // Writes the current directory into the label in its short form where the
    // code page cannot hold its name; FALSE when the label cannot name it exactly.
    BOOL ShowDirectoryLabel();
    // The path of a file-list entry in the directory the label shows, with one
    // backslash between them, also in a root.
    CString GetEntryPath(const CString& strEntry);

    // app/SoundControlDlg.cpp
    // The one place that shows the chosen sound: its picture, its description and
    // the line that says what it is, all read afresh. An empty path or a directory
    // shows none of them.
    void ShowChosenSound(const CString& strPath);

    // preview/DisplayChunkReader.cpp
    BOOL ReadPicture(LPCSTR lpszPath);
    BOOL ReadDescription(LPCSTR lpszPath);
    // The parts of the file asked for, from one walk of its chunks; the picture
    // found is held by pBitmap (null when no picture is asked for). None when the
    // file cannot be opened.
    std::optional<preview::ChosenSound> ReadChosenSound(LPCSTR lpszPath, unsigned nParts, CDIBitmap* pBitmap);
    // What the readers found, shown and returned as ReadPicture and
    // ReadDescription show and return it; pBitmap holds the picture found, and
    // a null result stands for a file that could not be opened.
    BOOL ShowPicture(const preview::PictureResult* pResult, std::unique_ptr<CDIBitmap> pBitmap);
    BOOL ShowDescription(const preview::DescriptionResult& result);
    // Gives up the picture and its palette.
    void DiscardPicture();

    // preview/SoundInfo.cpp
    // The line for a wave file's format: its name, rate, sample size, channels
    // and length where the system can play that format, else why not.
    CString DescribeSound(const std::optional<preview::SoundFormat>& format);
    // Shows the line for the file chosen before the dialog was first painted.
    afx_msg LRESULT OnShowSoundInfo(WPARAM wParam, LPARAM lParam);
    enum { WM_SHOWSOUNDINFO = WM_APP + 1 };

    // preview/Palette.cpp
    CPalette* SetPalette(CPalette* pPalette);
    afx_msg BOOL OnQueryNewPalette();
    afx_msg void OnPaletteChanged(CWnd* pFocusWnd);
    // Realises the palette selected into dc; apart so that tests can stand in
    // for a palette display.
    virtual UINT RealizeDialogPalette(CDC& dc);

    // app/MakeSound.cpp, through the maker of maker/MakerDlg.h
    // 作成: a wave file made of a sound chosen, or of the chosen file where the
    // system cannot play it as a wave file, and given to the current event.
    afx_msg void OnMake();
    // Moves the browser to the file's folder and chooses it, as a user would.
    void ChooseMadeSound(const CString& strPath);

    // preview/TestPlayback.cpp
    afx_msg void OnTest();
    afx_msg LRESULT OnMciNotify(WPARAM wParam, LPARAM lParam);
    void StopSound();
    void SetPlaying(BOOL bPlaying);
    void ShowMciError(DWORD nError);

    // app/SoundControlDlg.cpp
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnDestroy();
    afx_msg void OnHelpButton();
    // The WinHelp file beside the executable; ZORVAND.chm lies beside it.
    // Apart so that tests can place the help files.
    virtual std::wstring GetHelpPath() const;
    // The WinHelp viewer that WinHelp would start, or an empty string where
    // there is none; apart so that tests can name a file of their own.
    virtual CString GetWinHelpViewerPath() const;
    // Whether that viewer can show help, rather than being a stub that only
    // says WinHelp is not included.
    BOOL HasWinHelpViewer() const;
    // The window moved to a monitor of another scale: it takes the size the
    // system suggests and draws everything of its own at the new DPI.
    afx_msg LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // The sound settings on the system menu.
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    // The dots per inch this window is drawn at.
    UINT GetDpi();
    // A length in pixels at 96 DPI, at the window's DPI.
    int ScaleToDpi(int nPixels);
    // A system metric (SM_*) at the window's DPI.
    int GetDpiMetric(int nIndex);
    // Everything the dialog draws itself, sized for the window's DPI: the insides
    // of the two frames, the loudspeaker and the description's font.
    void LayoutForDpi();

    // eventlist/EventList.cpp
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg int OnCompareItem(int nIDCtl, LPCOMPAREITEMSTRUCT lpCompareItemStruct);
    // The rows' height at the window's DPI: the loudspeaker's or the text's, the larger.
    int GetRowHeight();
    // The order of two events in the list: their labels', by the locale.
    int CompareEvents(INT_PTR nEvent1, INT_PTR nEvent2) const;
    // Adds the event's row, its label as its text and its index as its data,
    // in the order CompareEvents gives.
    void AddEventRow(INT_PTR nEvent);

    CPalette* m_pPalette;                          // the picture's palette, realised; owned
    SchemeStore m_store;                           // the sound scheme, with the events of every application read
    std::vector<SchemeStore::Application> m_apps;  // in the application list's order
    std::wstring m_strApp;                         // the key name of the application whose events are shown
    std::future<Reading> m_reading;                // the reading started ahead, until OnInitDialog takes it
    std::vector<CString> m_driveEntries;           // the drive list's entries, read at start-up
    std::wstring m_strAppliedScheme;  // the id of the scheme applied, which OK makes current; empty for none
    BOOL m_bLabelExact;               // the directory label names the current directory exactly
    BOOL m_bPlaying;                  // a test playback is open
    BOOL m_bNotifyPending;            // the open playback has yet to report its end
    int m_nStaleNotifications;        // ends still to come from playbacks stopped here
    int m_nCurrentEvent;  // index in the shown application's events of the chosen event; -1 before the first choice
    CString m_strDescription;  // text painted in the description frame
    CDIBitmap* m_pDIBitmap;    // the picture painted in its frame; owned
    CRect m_rcPicture;         // inside of the picture frame, client coordinates
    CRect m_rcDescription;     // inside of the description frame, client coordinates
    UINT m_nDpi;               // the window's DPI; 0 until first asked
    HICON m_hAssignedIcon;     // drawn beside events that have a sound, m_nIconSize square; owned
    int m_nIconSize;           // the small-icon size at the window's DPI
    CFont m_fntDescription;    // the description's font where the window's DPI is not the system's
    BOOL m_bHtmlHelpOpened;    // Help opened HTML Help, which closes with the dialog
    BOOL m_bPainted;           // the dialog was painted once
    std::optional<preview::SoundFormat> m_pendingFormat;  // the format whose line waits for the first painting
    CButton m_btnTest;
    CStatic m_stcDirectory;
    CComboBox m_cmbDrive;
    CComboBox m_cmbApp;
    CListBox m_lstFiles;
    CListBox m_lstEvents;
    HICON m_hIcon;

    DECLARE_MESSAGE_MAP()
};
