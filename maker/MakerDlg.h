// The sound maker: a wave file, with its picture and description, made from
// any sound the system decodes. The whole source is read once on a thread of
// the dialog's, for its waveform; the kept range (at most a minute) is decoded
// again when it is heard or written, no further than its end.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Bytes.h"
#include "Waveform.h"
#include "afxwin.h"
#include "resource.h"

class CDIBitmap;

class CMakerDlg : public CDialog {
public:
    // strSource: the sound to make the wave file of, which the system opened already.
    CMakerDlg(CWnd* pParent, const std::wstring& strSource);
    ~CMakerDlg() override;

    enum { IDD = IDD_MAKER };
    // The longest range kept, and the range first proposed for a longer sound.
    static constexpr double kLongestKept = 60.0;
    static constexpr double kFirstProposed = 10.0;

    BOOL OnInitDialog() override;

    // The file written, in the code page, once the dialog ended with IDOK.
    const CString& GetMadePath() const { return m_strMade; }
    // Whether the source is still being read; tests wait on it.
    BOOL IsReading() const { return m_reader.joinable() && !m_bRead; }

    // The default folder of made sounds, %LOCALAPPDATA%\ZORVAND\サウンド,
    // made where it is missing; empty where it cannot be had.
    static std::wstring GetSoundFolder();

protected:
    void OnOK() override;
    void OnCancel() override;
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg void OnAbort();
    afx_msg void OnListen();
    afx_msg void OnChangeRange();
    afx_msg void OnClickedWaveform();
    afx_msg void OnChoosePicture();
    afx_msg void OnClearPicture();
    afx_msg void OnBrowseTarget();
    afx_msg LRESULT OnReadProgress(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnReadDone(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTimer(WPARAM wParam, LPARAM lParam);

    enum { WM_READPROGRESS = WM_APP + 10, WM_READDONE };

    // The thread's work: every block of the source into the waveform.
    void ReadSource();
    // The range in the edit boxes, when both read as seconds.
    BOOL GetRange(double* pStart, double* pEnd) const;
    // Enables 作成 and 試聴, and says why not, for the range entered.
    void CheckRange();
    // The kept range as it will be written, as a whole wave file; FALSE after
    // a box that says why not.
    BOOL MakeKeptWave(authoring::Bytes* pWave, BOOL bForFile);
    // The description entered, in the code page; FALSE after a box naming the
    // first character it cannot hold.
    BOOL GetDescription(std::optional<std::string>* pText);
    void StopListening();
    // The length of the source in seconds: what was read, or what the file
    // states while it is read.
    double GetLength() const;
    void ShowSourceLine();

    std::wstring m_strSource;
    CString m_strMade;
    std::uint32_t m_nRate = 0;
    int m_nChannels = 0;
    double m_dStated = 0;

    std::thread m_reader;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bRead{false};
    mutable std::mutex m_mutex;  // guards m_pSummary while the thread reads
    std::unique_ptr<maker::WaveformSummary> m_pSummary;

    HWND m_hText = nullptr;  // the description's Unicode edit box
    CDIBitmap* m_pPicture = nullptr;
    std::optional<authoring::Bytes> m_picture;  // the DISP chunk's data
    authoring::Bytes m_listening;               // the wave being heard, while it plays
    BOOL m_bListening = FALSE;

    DECLARE_MESSAGE_MAP()
};
