// winuser: declared by the platform library that implements it.
#pragma once

#include "winbase.h"
