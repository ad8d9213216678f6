// COMCTL32.
#pragma once

#include "windows.h"
