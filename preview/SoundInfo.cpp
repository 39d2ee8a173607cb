// The line that says what the chosen wave file is. The format comes from the
// window-free reader; whether it plays is the system's answer for the format as
// the file states it, through the codec mapper, without opening the device.
#include <optional>

#include "SoundControlDlg.h"
#include "SoundFormat.h"
// after windows.h
#include <mmsystem.h>

CString CSoundControlDlg::DescribeSound(const std::optional<preview::SoundFormat>& format) {
    if (!format) return "ウェーブ ファイルとして読めません";
    const auto* pFormat = reinterpret_cast<const WAVEFORMATEX*>(format->format.data());
    if (::waveOutOpen(nullptr, WAVE_MAPPER, pFormat, 0, 0, WAVE_FORMAT_QUERY) != MMSYSERR_NOERROR)
        return "この形式はこのコンピューターでは再生できません";
    return preview::DescribeSoundFormat(*format).c_str();
}
