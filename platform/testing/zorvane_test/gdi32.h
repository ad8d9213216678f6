// Test control for GDI32. Only tests include this header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zv_test {

// Live GDI objects made by the program (pens, brushes, fonts, bitmaps, palettes):
// stock objects are not counted. Device contexts are counted apart.
size_t LiveGdiObjectCount();
// Every live object handle, stock objects included, without making the stock objects
// (which the count above does first).
size_t GdiHandleCount();
size_t LiveDcCount();
size_t LiveIconCount();

// One GDI call made on a traced device context: its name and its arguments after the
// DC, as integers (handles and colours as their values, strings left out).
struct GdiCall {
    std::string function;
    std::vector<intptr_t> args;
};

// Records, in order, every GDI call made on `hdc` (every DC when hdc is null) until
// StopGdiTrace, which returns the record.
void StartGdiTrace(HDC hdc = nullptr);
std::vector<GdiCall> StopGdiTrace();

// "SelectObject(0x1234)" and the like, for readable failures.
std::string ToString(const GdiCall& call);

// The font file a font handle resolves to ("" when none could be found).
std::string FontFileOf(HFONT font);

// Where fonts made from now on look for their files (by default Debian's font folders).
void SetFontDirectories(const std::vector<std::string>& dirs);
std::vector<std::string> FontDirectories();

}  // namespace zv_test
