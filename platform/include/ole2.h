// OLE32.
#pragma once

#include "windows.h"
