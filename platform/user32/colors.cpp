// System colours (the table in system_colors.h), and one solid brush per colour that lives
// as long as the process.
#include <mutex>

#include "system_colors.h"
#include "user32_internal.h"

using zv::kSystemColorCount;
using zv::kSystemColors;

extern "C" {

DWORD WINAPI GetSysColor(int index) {
    return (index >= 0 && index < kSystemColorCount) ? kSystemColors[index] : 0;
}

HBRUSH WINAPI GetSysColorBrush(int index) {
    static std::mutex mutex;
    static HBRUSH brushes[kSystemColorCount] = {};
    if (index < 0 || index >= kSystemColorCount) return nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!brushes[index]) brushes[index] = CreateSolidBrush(kSystemColors[index]);
    return brushes[index];
}

}  // extern "C"
