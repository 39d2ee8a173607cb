#include "SoundReader.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwchar>

#include "SystemLibrary.h"

namespace maker {

namespace {

using Microsoft::WRL::ComPtr;

struct MediaFoundation {
    decltype(&::CoInitializeEx) pCoInitializeEx = nullptr;
    decltype(&::CoUninitialize) pCoUninitialize = nullptr;
    decltype(&::MFStartup) pStartup = nullptr;
    decltype(&::MFCreateMediaType) pCreateMediaType = nullptr;
    decltype(&::MFCreateSourceReaderFromURL) pCreateReader = nullptr;
    HRESULT hrStarted = E_NOTIMPL;
};

// Loaded and started once for the process, on first use.
const MediaFoundation& System() {
    static const MediaFoundation mf = [] {
        MediaFoundation loaded;
        loaded.pCoInitializeEx = scheme::SystemFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
        loaded.pCoUninitialize = scheme::SystemFunction<decltype(&::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
        loaded.pStartup = scheme::SystemFunction<decltype(&::MFStartup)>(L"mfplat.dll", "MFStartup");
        loaded.pCreateMediaType =
            scheme::SystemFunction<decltype(&::MFCreateMediaType)>(L"mfplat.dll", "MFCreateMediaType");
        loaded.pCreateReader = scheme::SystemFunction<decltype(&::MFCreateSourceReaderFromURL)>(
            L"mfreadwrite.dll", "MFCreateSourceReaderFromURL");
        if (loaded.pCoInitializeEx && loaded.pCoUninitialize && loaded.pStartup && loaded.pCreateMediaType &&
            loaded.pCreateReader) {
            loaded.hrStarted = loaded.pStartup(MF_VERSION, MFSTARTUP_LITE);
        }
        return loaded;
    }();
    return mf;
}

constexpr DWORD kStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);

// Samples as the decoder gives them (8-bit unsigned, 16, 24 or 32-bit signed)
// as floats.
void ToFloats(const BYTE* pData, std::size_t nBytes, int nBits, std::vector<float>& out) {
    const std::size_t width = static_cast<std::size_t>(nBits / 8);
    const std::size_t count = nBytes / width;
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* p = pData + i * width;
        switch (nBits) {
        case 8:
            out[i] = (static_cast<int>(p[0]) - 128) / 128.0f;
            break;
        case 16:
            out[i] = static_cast<std::int16_t>(p[0] | p[1] << 8) / 32768.0f;
            break;
        case 24:
            out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] << 8 | p[1] << 16 | p[2] << 24)) /
                     2147483648.0f;
            break;
        default:
            out[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) |
                                               static_cast<std::uint32_t>(p[3]) << 24) /
                     2147483648.0f;
            break;
        }
    }
}

}  // namespace

CSoundReader::CSoundReader() {
    const MediaFoundation& mf = System();
    if (mf.pCoInitializeEx != nullptr) m_bCom = SUCCEEDED(mf.pCoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

CSoundReader::~CSoundReader() {
    if (m_pReader != nullptr) m_pReader->Release();
    if (m_bCom) System().pCoUninitialize();
}

HRESULT CSoundReader::Open(LPCWSTR pszPath) {
    const MediaFoundation& mf = System();
    if (FAILED(mf.hrStarted)) return mf.hrStarted;
    ComPtr<IMFSourceReader> reader;
    HRESULT hr = mf.pCreateReader(pszPath, nullptr, reader.GetAddressOf());
    if (FAILED(hr)) return hr;
    hr = reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
    if (SUCCEEDED(hr)) hr = reader->SetStreamSelection(kStream, TRUE);
    ComPtr<IMFMediaType> wanted;
    if (SUCCEEDED(hr)) hr = mf.pCreateMediaType(wanted.GetAddressOf());
    if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
    if (SUCCEEDED(hr)) hr = wanted->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_PCM);
    if (SUCCEEDED(hr)) hr = reader->SetCurrentMediaType(kStream, nullptr, wanted.Get());
    ComPtr<IMFMediaType> actual;
    if (SUCCEEDED(hr)) hr = reader->GetCurrentMediaType(kStream, actual.GetAddressOf());
    UINT32 rate = 0, channels = 0, bits = 0;
    if (SUCCEEDED(hr)) hr = actual->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    if (SUCCEEDED(hr)) hr = actual->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    if (SUCCEEDED(hr)) hr = actual->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    if (FAILED(hr)) return hr;
    if (rate == 0 || channels == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
        return MF_E_INVALIDMEDIATYPE;
    }
    PROPVARIANT duration;
    PropVariantInit(&duration);
    if (SUCCEEDED(reader->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                   &duration)) &&
        duration.vt == VT_UI8) {
        m_dDuration = static_cast<double>(duration.uhVal.QuadPart) / 1e7;
    }
    m_nRate = rate;
    m_nChannels = static_cast<int>(channels);
    m_nBits = static_cast<int>(bits);
    if (m_pReader != nullptr) m_pReader->Release();
    m_pReader = reader.Detach();
    return S_OK;
}

HRESULT CSoundReader::Decode(const BlockHandler& handle) {
    if (m_pReader == nullptr) return E_UNEXPECTED;
    std::vector<float> block;
    std::uint64_t nFrame = 0;
    for (;;) {
        DWORD flags = 0;
        LONGLONG time = 0;
        ComPtr<IMFSample> sample;
        HRESULT hr = m_pReader->ReadSample(kStream, 0, nullptr, &flags, &time, sample.GetAddressOf());
        if (FAILED(hr)) return hr;
        if ((flags & MF_SOURCE_READERF_ENDOFSTREAM) != 0) return S_OK;
        if ((flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) != 0) return MF_E_INVALIDMEDIATYPE;
        if (!sample) continue;
        ComPtr<IMFMediaBuffer> buffer;
        hr = sample->ConvertToContiguousBuffer(buffer.GetAddressOf());
        if (FAILED(hr)) return hr;
        BYTE* pData = nullptr;
        DWORD nBytes = 0;
        hr = buffer->Lock(&pData, nullptr, &nBytes);
        if (FAILED(hr)) return hr;
        ToFloats(pData, nBytes, m_nBits, block);
        buffer->Unlock();
        const std::size_t nFrames = block.size() / static_cast<std::size_t>(m_nChannels);
        if (nFrames == 0) continue;
        if (!handle(block.data(), nFrames, nFrame)) return S_OK;
        nFrame += nFrames;
    }
}

HRESULT CSoundReader::DecodeRange(std::uint64_t nFirst, std::uint64_t nEnd, std::vector<float>& samples) {
    samples.clear();
    const auto channels = static_cast<std::size_t>(m_nChannels);
    samples.reserve(static_cast<std::size_t>(nEnd - std::min(nFirst, nEnd)) * channels);
    return Decode([&](const float* pSamples, std::size_t nFrames, std::uint64_t nAt) {
        const std::uint64_t from = std::max(nAt, nFirst);
        const std::uint64_t to = std::min<std::uint64_t>(nAt + nFrames, nEnd);
        if (from < to) {
            samples.insert(samples.end(), pSamples + (from - nAt) * channels, pSamples + (to - nAt) * channels);
        }
        return nAt + nFrames < nEnd;
    });
}

std::wstring DescribeResult(HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    LPWSTR pszText = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    std::wstring text;
    if (::FormatMessageW(flags, nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&pszText), 0, nullptr) !=
        0) {
        text = pszText;
        ::LocalFree(pszText);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    }
    return text.empty() ? std::wstring(code) : text + L" (" + code + L")";
}

}  // namespace maker
