// Rich-edit control messages, as far as the window system asks a rich-edit control.
#pragma once

#include "windows.h"

#define EM_GETOPTIONS (WM_USER + 78)
#define EM_SETOPTIONS (WM_USER + 77)
#define ECO_AUTOWORDSELECTION 0x00000001
#define ECO_READONLY 0x00000800
