// COMCTL32: the common-controls start-up. The controls it registers on Windows are not
// part of this platform; the call checks its argument as Windows does and succeeds.
#include <commctrl.h>

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
