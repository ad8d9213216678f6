// System colours (the default scheme of current Windows, the same table GDI uses for
// brushes given as COLOR_* + 1), and one solid brush per colour that lives as long as the
// process.
#include <mutex>

#include "user32_internal.h"

namespace {

const COLORREF kSysColors[31] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

}  // namespace

extern "C" {

DWORD WINAPI GetSysColor(int index) {
    return (index >= 0 && index < 31) ? kSysColors[index] : 0;
}

HBRUSH WINAPI GetSysColorBrush(int index) {
    static std::mutex mutex;
    static HBRUSH brushes[31] = {};
    if (index < 0 || index >= 31) return nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!brushes[index]) brushes[index] = CreateSolidBrush(kSysColors[index]);
    return brushes[index];
}

}  // extern "C"
