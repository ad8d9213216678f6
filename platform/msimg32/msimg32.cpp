// MSIMG32's AlphaBlend is GDI32's GdiAlphaBlend under the name programs load it by.
#include <windows.h>

#include "builtin_modules.h"

extern "C" BOOL WINAPI AlphaBlend(HDC dest, int x_dest, int y_dest, int dest_width, int dest_height,
                                  HDC src, int x_src, int y_src, int src_width, int src_height,
                                  BLENDFUNCTION blend) {
    return GdiAlphaBlend(dest, x_dest, y_dest, dest_width, dest_height, src, x_src, y_src,
                         src_width, src_height, blend);
}

static const zv::ModuleRegistration kMsimg32("msimg32.dll",
                                             {{"AlphaBlend", zv::Export(&AlphaBlend)}});
