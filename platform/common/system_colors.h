// The system colours, COLOR_SCROLLBAR (0) to COLOR_MENUBAR (30), in the default scheme of
// current Windows. USER32 answers GetSysColor from this table and GDI paints a brush given
// as COLOR_* + 1 from it, so both read this one copy.
#pragma once

#include <windows.h>

#include <iterator>

namespace zv {

inline constexpr COLORREF kSystemColors[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0};

inline constexpr int kSystemColorCount = int(std::size(kSystemColors));
static_assert(kSystemColorCount == 31, "COLOR_SCROLLBAR to COLOR_MENUBAR");

}  // namespace zv
