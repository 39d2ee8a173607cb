#include "MakerDlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Cp932.h"
#include "DIBitmap.h"
#include "DisplayDib.h"
#include "Errors.h"
#include "FileIo.h"
#include "Image.h"
#include "Shaping.h"
#include "SoundReader.h"
#include "SystemLibrary.h"
#include "WaveEdit.h"
#include "WaveWriter.h"

namespace {

const char kCannotRead[] = "このファイルの音声を読み取れません。";
const char kCannotWrite[] = "サウンドを書き込めません。";
constexpr UINT_PTR kListenTimer = 1;

std::string ToUtf8(const std::wstring& text) {
    int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

// The text in the code page, when it holds every character exactly.
BOOL ToCodePage(const std::wstring& text, CString* pOut) {
    BOOL bDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                  nullptr, &bDefault);
    if (bDefault) return FALSE;
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), &out[0], n,
                          nullptr, &bDefault);
    *pOut = out.c_str();
    return !bDefault;
}

std::wstring Widen(const CString& text) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), &out[0], n);
    return out;
}

CString Seconds(double d) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.2f", d);
    return sz;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A file chosen in the system's Open or Save dialog.
BOOL ChooseFileName(HWND hOwner, BOOL bSave, LPCWSTR pszFilter, LPCWSTR pszTitle, std::wstring* pPath) {
    WCHAR szFile[4 * MAX_PATH];
    ::lstrcpynW(szFile, pPath->c_str(), ARRAYSIZE(szFile));
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = pszFilter;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = ARRAYSIZE(szFile);
    ofn.lpstrTitle = pszTitle;
    ofn.lpstrDefExt = bSave ? L"wav" : nullptr;
    // The question about replacing a file comes on 作成, where it is written.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | (bSave ? 0 : OFN_FILEMUSTEXIST);
    static const auto pSave =
        scheme::SystemFunction<decltype(&::GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
    static const auto pOpen =
        scheme::SystemFunction<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    const auto pChoose = bSave ? pSave : pOpen;
    if (pChoose == nullptr || !pChoose(&ofn)) return FALSE;
    *pPath = szFile;
    return TRUE;
}

class BytesSink : public authoring::Sink {
public:
    explicit BytesSink(authoring::Bytes& bytes) : m_bytes(bytes) {}
    void Write(const std::uint8_t* data, std::size_t size) override {
        m_bytes.insert(m_bytes.end(), data, data + size);
    }

private:
    authoring::Bytes& m_bytes;
};

}  // namespace

BEGIN_MESSAGE_MAP(CMakerDlg, CDialog)
ON_WM_DESTROY()
ON_WM_PAINT()
ON_WM_DRAWITEM()
ON_BN_CLICKED(IDC_MAKER_ABORT, OnAbort)
ON_BN_CLICKED(IDC_MAKER_LISTEN, OnListen)
ON_CONTROL(EN_CHANGE, IDC_MAKER_START, OnChangeRange)
ON_CONTROL(EN_CHANGE, IDC_MAKER_END, OnChangeRange)
ON_CONTROL(STN_CLICKED, IDC_MAKER_WAVEFORM, OnClickedWaveform)
ON_BN_CLICKED(IDC_MAKER_PICTURE_CHOOSE, OnChoosePicture)
ON_BN_CLICKED(IDC_MAKER_PICTURE_CLEAR, OnClearPicture)
ON_BN_CLICKED(IDC_MAKER_BROWSE, OnBrowseTarget)
ON_MESSAGE(WM_READPROGRESS, OnReadProgress)
ON_MESSAGE(WM_READDONE, OnReadDone)
ON_MESSAGE(WM_TIMER, OnTimer)
END_MESSAGE_MAP()

CMakerDlg::CMakerDlg(CWnd* pParent, const std::wstring& strSource)
    : CDialog(CMakerDlg::IDD, pParent), m_strSource(strSource) {}

CMakerDlg::~CMakerDlg() {
    m_bStop = true;
    if (m_reader.joinable()) m_reader.join();
    delete m_pPicture;
}

std::wstring CMakerDlg::GetSoundFolder() {
    WCHAR szBase[MAX_PATH];
    DWORD nBase = ::GetEnvironmentVariableW(L"LOCALAPPDATA", szBase, MAX_PATH);
    if (nBase == 0 || nBase >= MAX_PATH) return std::wstring();
    std::wstring strFolder = std::wstring(szBase) + L"\\ZORVAND";
    ::CreateDirectoryW(strFolder.c_str(), nullptr);
    strFolder += L"\\サウンド";
    ::CreateDirectoryW(strFolder.c_str(), nullptr);
    return strFolder;
}

BOOL CMakerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The description's box is a Unicode window where the template's placeholder is.
    HWND hPlace = ::GetDlgItem(m_hWnd, IDC_MAKER_TEXT);
    RECT rc;
    ::GetWindowRect(hPlace, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    ::DestroyWindow(hPlace);
    m_hText = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, rc.left,
        rc.top, rc.right - rc.left, rc.bottom - rc.top, m_hWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAKER_TEXT)), nullptr, nullptr);
    ::SendMessageW(m_hText, WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
    ::SetWindowPos(m_hText, ::GetDlgItem(m_hWnd, IDC_MAKER_PICTURE_CLEAR), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    SendDlgItemMessage(IDC_MAKER_LEVEL, BM_SETCHECK, BST_CHECKED);
    SendDlgItemMessage(IDC_MAKER_PROGRESS, PBM_SETRANGE32, 0, 1000);

    std::wstring strName = FileNameOf(m_strSource);
    size_t dot = strName.rfind(L'.');
    std::wstring strTarget = GetSoundFolder() + L"\\" + strName.substr(0, dot) + L".wav";
    CString strShown;
    if (ToCodePage(strTarget, &strShown)) SetDlgItemTextA(m_hWnd, IDC_MAKER_TARGET, strShown);

    maker::CSoundReader reader;
    reader.Open(m_strSource.c_str());
    m_nRate = reader.GetRate();
    m_nChannels = reader.GetChannels();
    m_dStated = reader.GetDuration();
    m_pSummary = std::make_unique<maker::WaveformSummary>(std::max(m_nChannels, 1), std::max<double>(m_nRate, 1));
    SetDlgItemTextA(m_hWnd, IDC_MAKER_START, "0.00");
    SetDlgItemTextA(m_hWnd, IDC_MAKER_END, Seconds(std::min(m_dStated, kFirstProposed)));
    ShowSourceLine();
    m_reader = std::thread([this] { ReadSource(); });
    return TRUE;
}

void CMakerDlg::ReadSource() {
    maker::CSoundReader reader;
    HRESULT hr = reader.Open(m_strSource.c_str());
    LONG nShown = -1;
    if (SUCCEEDED(hr)) {
        hr = reader.Decode([&](const float* pSamples, std::size_t nFrames, std::uint64_t nFirst) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_pSummary->Add(pSamples, nFrames);
            }
            double dDone = m_dStated > 0 ? (nFirst + nFrames) / (m_dStated * m_nRate) : 0;
            LONG nPermille = static_cast<LONG>(std::min(1.0, dDone) * 1000);
            if (nPermille != nShown) {
                nShown = nPermille;
                PostMessage(WM_READPROGRESS, static_cast<WPARAM>(nPermille));
            }
            return !m_bStop;
        });
    }
    m_bRead = true;
    PostMessage(WM_READDONE, static_cast<WPARAM>(hr));
}

LRESULT CMakerDlg::OnReadProgress(WPARAM wParam, LPARAM) {
    SendDlgItemMessage(IDC_MAKER_PROGRESS, PBM_SETPOS, wParam);
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_MAKER_WAVEFORM), nullptr, FALSE);
    return 0;
}

LRESULT CMakerDlg::OnReadDone(WPARAM wParam, LPARAM) {
    if (m_reader.joinable()) m_reader.join();
    SendDlgItemMessage(IDC_MAKER_PROGRESS, PBM_SETPOS, 1000);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_MAKER_ABORT), FALSE);
    HRESULT hr = static_cast<HRESULT>(wParam);
    if (FAILED(hr)) {
        CString strText = kCannotRead;
        CString strReason;
        ToCodePage(maker::DescribeResult(hr), &strReason);
        MessageBox(strText + "\n\n" + strReason, nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
    // The range stays within what was read.
    double dStart = 0, dEnd = 0;
    if (GetRange(&dStart, &dEnd) && dEnd > GetLength()) SetDlgItemTextA(m_hWnd, IDC_MAKER_END, Seconds(GetLength()));
    ShowSourceLine();
    CheckRange();
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_MAKER_WAVEFORM), nullptr, FALSE);
    return 0;
}

double CMakerDlg::GetLength() const {
    if (!m_bRead) return m_dStated;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pSummary->Seconds();
}

void CMakerDlg::ShowSourceLine() {
    CString strName;
    ToCodePage(FileNameOf(m_strSource), &strName);
    char sz[128];
    std::snprintf(sz, sizeof sz, "  %u Hz %s  %.2f 秒", m_nRate,
                  m_nChannels == 1   ? "モノラル"
                  : m_nChannels == 2 ? "ステレオ"
                                     : (std::to_string(m_nChannels) + " チャンネル").c_str(),
                  GetLength());
    SetDlgItemTextA(m_hWnd, IDC_MAKER_SOURCE, strName + sz);
}

void CMakerDlg::OnAbort() {
    m_bStop = true;
}

void CMakerDlg::OnCancel() {
    StopListening();
    CDialog::OnCancel();
}

void CMakerDlg::OnDestroy() {
    StopListening();
    m_bStop = true;
    if (m_reader.joinable()) m_reader.join();
    CWnd::OnDestroy();
}

BOOL CMakerDlg::GetRange(double* pStart, double* pEnd) const {
    const int kIds[] = {IDC_MAKER_START, IDC_MAKER_END};
    double* pValues[] = {pStart, pEnd};
    for (int i = 0; i < 2; ++i) {
        char sz[64] = "";
        ::GetDlgItemTextA(m_hWnd, kIds[i], sz, sizeof sz);
        char* pEndOfNumber = nullptr;
        *pValues[i] = std::strtod(sz, &pEndOfNumber);
        while (*pEndOfNumber == ' ') ++pEndOfNumber;
        if (pEndOfNumber == sz || *pEndOfNumber != '\0' || !std::isfinite(*pValues[i]) || *pValues[i] < 0) return FALSE;
    }
    return TRUE;
}

void CMakerDlg::CheckRange() {
    double dStart = 0, dEnd = 0;
    CString strNote;
    if (!GetRange(&dStart, &dEnd)) {
        strNote = "開始と終了を秒で入れてください。";
    } else if (dEnd <= dStart) {
        strNote = "終了は開始より後にしてください。";
    } else if (m_bRead && dEnd > GetLength() + 0.005) {
        strNote = "終了は音の長さ (" + Seconds(GetLength()) + " 秒) までです。";
    } else if (dEnd - dStart > kLongestKept + 1e-9) {
        strNote = "残せるのは 60 秒までです (いまは " + Seconds(dEnd - dStart) + " 秒)。";
    }
    BOOL bOk = strNote.IsEmpty() && m_bRead;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), bOk);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_MAKER_LISTEN), bOk || m_bListening);
    SetDlgItemTextA(m_hWnd, IDC_MAKER_NOTE, strNote);
}

void CMakerDlg::OnChangeRange() {
    CheckRange();
    ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_MAKER_WAVEFORM), nullptr, FALSE);
}

void CMakerDlg::OnClickedWaveform() {
    HWND hWave = ::GetDlgItem(m_hWnd, IDC_MAKER_WAVEFORM);
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(hWave, &pt);
    RECT rc;
    ::GetClientRect(hWave, &rc);
    if (rc.right <= 0 || GetLength() <= 0) return;
    double dAt = std::clamp(static_cast<double>(pt.x) / rc.right, 0.0, 1.0) * GetLength();
    double dStart = 0, dEnd = 0;
    if (!GetRange(&dStart, &dEnd)) dStart = dEnd = 0;
    SetDlgItemTextA(m_hWnd, std::fabs(dAt - dStart) <= std::fabs(dAt - dEnd) ? IDC_MAKER_START : IDC_MAKER_END,
                    Seconds(dAt));
}

void CMakerDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (nIDCtl != IDC_MAKER_WAVEFORM) return;
    HDC hdc = lpDrawItemStruct->hDC;
    RECT rc = lpDrawItemStruct->rcItem;
    int nWidth = rc.right - rc.left, nHeight = rc.bottom - rc.top;
    ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_WINDOW));
    double dLength = GetLength();
    if (nWidth <= 0 || dLength <= 0) return;
    double dStart = 0, dEnd = 0;
    if (GetRange(&dStart, &dEnd) && dEnd > dStart) {
        RECT rcKept = rc;
        rcKept.left = rc.left + static_cast<int>(std::lround(std::min(dStart, dLength) / dLength * nWidth));
        rcKept.right = rc.left + static_cast<int>(std::lround(std::min(dEnd, dLength) / dLength * nWidth));
        HBRUSH hKept = ::CreateSolidBrush(RGB(0xC8, 0xDC, 0xF8));
        ::FillRect(hdc, &rcKept, hKept);
        ::DeleteObject(hKept);
    }
    std::vector<maker::Span> spans;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        spans = m_pSummary->Columns(static_cast<size_t>(nWidth), 0, dLength);
    }
    HPEN hPen = ::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ hOld = ::SelectObject(hdc, hPen);
    int yMid = rc.top + nHeight / 2;
    for (int x = 0; x < nWidth; ++x) {
        const maker::Span& span = spans[static_cast<size_t>(x)];
        int yHigh = yMid - static_cast<int>(static_cast<long>(span.high) * (nHeight / 2) / 32767);
        int yLow = yMid - static_cast<int>(static_cast<long>(span.low) * (nHeight / 2) / 32767);
        ::MoveToEx(hdc, rc.left + x, yHigh, nullptr);
        ::LineTo(hdc, rc.left + x, yLow + 1);
    }
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hPen);
}

void CMakerDlg::OnPaint() {
    CPaintDC dc(this);
    if (m_pPicture == nullptr) return;
    // As the main dialog's frame shows it: a pixel per pixel at 96 DPI, the
    // frame's own size in the picture's pixels, its bottom-left part.
    HWND hFrame = ::GetDlgItem(m_hWnd, IDC_MAKER_PICTURE);
    RECT rc;
    ::GetWindowRect(hFrame, &rc);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    ::InflateRect(&rc, -2, -2);
    UINT nDpi = ::GetDeviceCaps(dc, LOGPIXELSX);
    int nWidth = ::MulDiv(rc.right - rc.left, 96, static_cast<int>(nDpi));
    int nHeight = ::MulDiv(rc.bottom - rc.top, 96, static_cast<int>(nDpi));
    CSize size = m_pPicture->GetDimensions();
    int x = std::max(0, (nWidth - static_cast<int>(size.cx)) / 2);
    int y = std::min(0, (static_cast<int>(size.cy) - nHeight) / 2);
    int nSaved = ::SaveDC(dc);
    ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    dc.SetStretchBltMode(COLORONCOLOR);
    m_pPicture->StretchDraw(&dc, rc.left + ::MulDiv(x, nDpi, 96), rc.top + ::MulDiv(y, nDpi, 96),
                            ::MulDiv(nWidth, nDpi, 96), ::MulDiv(nHeight, nDpi, 96), 0, 0, nWidth, nHeight, SRCCOPY,
                            nullptr);
    ::RestoreDC(dc, nSaved);
}

void CMakerDlg::OnChoosePicture() {
    std::wstring strPath;
    if (!ChooseFileName(m_hWnd, FALSE,
                        L"画像ファイル (*.png;*.jpg;*.jpeg;*.bmp;*.gif)\0*.png;*.jpg;*.jpeg;*.bmp;*.gif\0"
                        L"すべてのファイル (*.*)\0*.*\0",
                        L"絵の選択", &strPath))
        return;
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    try {
        authoring::Bytes data =
            authoring::ReadPictureFile(ToUtf8(strPath), {GetRValue(face), GetGValue(face), GetBValue(face)});
        auto dib = preview::ConvertDisplayDib(data.data(), data.size());
        auto pBitmap = std::make_unique<CDIBitmap>();
        HGLOBAL hDIB = dib ? ::GlobalAlloc(GMEM_MOVEABLE, dib->size()) : nullptr;
        if (hDIB != nullptr) {
            preview::CopyAsHeld(dib->data(), dib->size(), static_cast<std::uint8_t*>(::GlobalLock(hDIB)));
            ::GlobalUnlock(hDIB);
        }
        if (hDIB == nullptr || pBitmap->SetDIB(hDIB) == nullptr) {
            if (hDIB != nullptr) ::GlobalFree(hDIB);
            throw authoring::InputError("the picture cannot be shown");
        }
        delete m_pPicture;
        m_pPicture = pBitmap.release();
        m_picture = std::move(data);
    } catch (const authoring::ToolError& error) {
        CString strReason;
        ToCodePage(FromUtf8(error.what()), &strReason);
        MessageBox("この絵を読み取れません。\n\n" + strReason, nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
    Invalidate();
}

void CMakerDlg::OnClearPicture() {
    delete m_pPicture;
    m_pPicture = nullptr;
    m_picture.reset();
    Invalidate();
}

void CMakerDlg::OnBrowseTarget() {
    char sz[4 * MAX_PATH] = "";
    ::GetDlgItemTextA(m_hWnd, IDC_MAKER_TARGET, sz, sizeof sz);
    std::wstring strPath = Widen(sz);
    if (!ChooseFileName(m_hWnd, TRUE, L"ウェーブ ファイル (*.wav)\0*.wav\0", L"保存先", &strPath)) return;
    CString strShown;
    if (!ToCodePage(strPath, &strShown)) {
        MessageBox("この名前はこのコンピューターの文字で表せません。別の名前を選んでください。", nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    SetDlgItemTextA(m_hWnd, IDC_MAKER_TARGET, strShown);
}

BOOL CMakerDlg::GetDescription(std::optional<std::string>* pText) {
    int nLength = ::GetWindowTextLengthW(m_hText);
    std::wstring strText(static_cast<size_t>(nLength) + 1, L'\0');
    ::GetWindowTextW(m_hText, &strText[0], nLength + 1);
    strText.resize(static_cast<size_t>(nLength));
    pText->reset();
    if (strText.find_first_not_of(L" \r\n\t") == std::wstring::npos) return TRUE;
    // The first character that the code page cannot hold, surrogate pairs whole.
    for (size_t i = 0; i < strText.size();) {
        size_t n = IS_HIGH_SURROGATE(strText[i]) && i + 1 < strText.size() ? 2 : 1;
        CString strOne;
        if (!ToCodePage(strText.substr(i, n), &strOne)) {
            std::wstring strBox = L"説明の「" + strText.substr(i, n) +
                                  L"」はこのコンピューターの文字で保存できません。その文字を除いてください。";
            ::MessageBoxW(m_hWnd, strBox.c_str(), L"サウンドの作成", MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
        i += n;
    }
    try {
        *pText = authoring::MakeDescription(ToUtf8(strText), false);
    } catch (const authoring::ToolError& error) {
        CString strReason;
        ToCodePage(FromUtf8(error.what()), &strReason);
        MessageBox("この説明は保存できません。\n\n" + strReason, nullptr, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

BOOL CMakerDlg::MakeKeptWave(authoring::Bytes* pWave, BOOL bForFile) {
    double dStart = 0, dEnd = 0;
    if (!GetRange(&dStart, &dEnd)) return FALSE;
    std::optional<std::string> text;
    if (bForFile && !GetDescription(&text)) return FALSE;
    auto nFirst = static_cast<std::uint64_t>(std::llround(dStart * m_nRate));
    auto nEnd = static_cast<std::uint64_t>(std::llround(dEnd * m_nRate));
    std::uint64_t nTotal;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nTotal = m_pSummary->Frames();
    }
    nEnd = std::min(nEnd, nTotal);
    HCURSOR hOld = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    std::vector<float> samples;
    maker::CSoundReader reader;
    HRESULT hr = reader.Open(m_strSource.c_str());
    if (SUCCEEDED(hr)) hr = reader.DecodeRange(nFirst, nEnd, samples);
    ::SetCursor(hOld);
    if (FAILED(hr)) {
        CString strReason;
        ToCodePage(maker::DescribeResult(hr), &strReason);
        MessageBox(CString(kCannotRead) + "\n\n" + strReason, nullptr, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    int nChannels = 0;
    samples = maker::MixToStereo(samples, m_nChannels, nChannels);
    maker::ApplyFades(samples, nChannels, m_nRate, nFirst > 0, nEnd < nTotal);
    double dGain = 1.0;
    if (SendDlgItemMessage(IDC_MAKER_LEVEL, BM_GETCHECK) == BST_CHECKED)
        dGain = maker::LevelGain(samples, nChannels, m_nRate).gain;
    std::vector<std::int16_t> pcm = maker::ToPcm16(samples, dGain);
    pWave->clear();
    BytesSink sink(*pWave);
    authoring::WriteWave({m_nRate, nChannels, pcm.data(), pcm.size() / static_cast<size_t>(nChannels)},
                         bForFile ? m_picture : std::nullopt, text, sink);
    return TRUE;
}

void CMakerDlg::StopListening() {
    if (!m_bListening) return;
    ::PlaySoundA(nullptr, nullptr, 0);
    ::KillTimer(m_hWnd, kListenTimer);
    m_bListening = FALSE;
    m_listening.clear();
    SetDlgItemTextA(m_hWnd, IDC_MAKER_LISTEN, "試聴(&P)");
    CheckRange();
}

void CMakerDlg::OnListen() {
    if (m_bListening) {
        StopListening();
        return;
    }
    if (!MakeKeptWave(&m_listening, FALSE)) return;
    if (!::PlaySoundA(reinterpret_cast<LPCSTR>(m_listening.data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
        return;
    m_bListening = TRUE;
    SetDlgItemTextA(m_hWnd, IDC_MAKER_LISTEN, "停止(&P)");
    double dStart = 0, dEnd = 0;
    GetRange(&dStart, &dEnd);
    ::SetTimer(m_hWnd, kListenTimer, static_cast<UINT>((dEnd - dStart) * 1000) + 200, nullptr);
}

LRESULT CMakerDlg::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == kListenTimer) StopListening();
    return 0;
}

void CMakerDlg::OnOK() {
    if (!::IsWindowEnabled(::GetDlgItem(m_hWnd, IDOK))) return;
    StopListening();
    char sz[4 * MAX_PATH] = "";
    ::GetDlgItemTextA(m_hWnd, IDC_MAKER_TARGET, sz, sizeof sz);
    CString strTarget = sz;
    std::wstring strWide = Widen(strTarget);
    if (strTarget.GetLength() < 3 || strTarget.GetAt(1) != ':' || strTarget.GetAt(2) != '\\') {
        MessageBox("保存先をドライブからの完全な名前で入れてください。", nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    DWORD dwAttributes = ::GetFileAttributesW(strWide.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
            MessageBox("「" + strTarget + "」は既にあります。\n置き換えますか?", nullptr,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
    }
    authoring::Bytes wave;
    if (!MakeKeptWave(&wave, TRUE)) return;
    try {
        authoring::AtomicWriter writer(ToUtf8(strWide));
        writer.Write(wave.data(), wave.size());
        writer.Finish();
        authoring::EditRequest request;
        request.picture = m_picture;
        preview::MemoryByteSource source(wave.data(), wave.size());
        preview::DescriptionResult description = preview::ReadDescription(source);
        if (description.outcome == preview::DescriptionOutcome::kText) request.text = description.text;
        authoring::CheckWritten(writer.TemporaryPath(), request);
        writer.Commit();
    } catch (const authoring::ToolError& error) {
        CString strReason;
        ToCodePage(FromUtf8(error.what()), &strReason);
        MessageBox(CString(kCannotWrite) + "\n\n" + strReason, nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_strMade = strTarget;
    CDialog::OnOK();
}
