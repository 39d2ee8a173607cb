// A sound file decoded by the system: Media Foundation's Source Reader, its
// first audio stream as PCM, so that whatever formats the system has decoders
// for are read and no other. Media Foundation is loaded with the first reader:
// the program does not pay for it at start-up. A reader belongs to the thread
// that made it, which it joins to COM for its life.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct IMFSourceReader;

namespace maker {

class CSoundReader {
public:
    CSoundReader();
    ~CSoundReader();
    CSoundReader(const CSoundReader&) = delete;
    CSoundReader& operator=(const CSoundReader&) = delete;

    // Opens the file and sets its first audio stream to PCM; the system's
    // result, S_OK when it can be read.
    HRESULT Open(LPCWSTR pszPath);

    std::uint32_t GetRate() const { return m_nRate; }
    int GetChannels() const { return m_nChannels; }
    // The length the file states, in seconds; 0 when it states none.
    double GetDuration() const { return m_dDuration; }

    // Decodes from the start, handing over each block as interleaved floats
    // (full scale +-1) until the end or until the handler returns false. The
    // first frame's index is given with each block. The system's result: S_OK
    // at the end or when stopped.
    using BlockHandler = std::function<bool(const float* pSamples, std::size_t nFrames, std::uint64_t nFirst)>;
    HRESULT Decode(const BlockHandler& handle);

    // The frames [nFirst, nEnd) of the sound, decoding no further than nEnd.
    HRESULT DecodeRange(std::uint64_t nFirst, std::uint64_t nEnd, std::vector<float>& samples);

private:
    bool m_bCom = false;
    IMFSourceReader* m_pReader = nullptr;
    std::uint32_t m_nRate = 0;
    int m_nChannels = 0;
    int m_nBits = 0;
    double m_dDuration = 0;
};

// The system's text for a result, with its number: "... (0x80004005)".
std::wstring DescribeResult(HRESULT hr);

}  // namespace maker
