// The Win32 API as far as this project uses it, for hosts without Windows.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "wingdi.h"
#include "winuser.h"
