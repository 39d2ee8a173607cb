// Names of files that come from elsewhere (a pack's entries, a scheme's name),
// made into names that this system stores as given: plain C++ without the
// system's headers, so that the rules are tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sharing {

// The longest name a cabinet holds, in bytes of UTF-8.
constexpr std::size_t kMaxCabinetName = 255;

// A name one file can have: what no file name may hold becomes '_'; the dots
// and blanks at its end, which the system drops, are dropped; a device's name
// (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension), which
// would open the device, gets a '_' after it ("CON.wav" becomes "CON_.wav").
// Nothing left becomes "_".
std::u16string SafeFileName(std::u16string_view name);

// The name cut, where its UTF-8 form is longer than nMaxBytes, so that it fits,
// keeping its extension and never halving a character.
std::u16string CutName(std::u16string_view name, std::size_t nMaxBytes);

// The n-th name of a file where n-1 were taken: "a.wav", "a (2).wav",
// "a (3).wav"..., each within nMaxBytes of UTF-8.
std::u16string NumberedName(std::u16string_view name, int n, std::size_t nMaxBytes);

// Bytes of the UTF-8 form.
std::size_t Utf8Size(std::u16string_view text);

}  // namespace sharing
