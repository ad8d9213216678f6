// GUIDs and interface identifiers, as the Windows SDK declares them.
#pragma once

#include "windef.h"

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
#endif

typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef const GUID* LPCGUID;
typedef IID* LPIID;

#ifdef __cplusplus
#define REFGUID const GUID&
#define REFIID const IID&
#define REFCLSID const IID&
static inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    return memcmp(&a, &b, sizeof(GUID)) == 0;
}
static inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}
static inline bool operator!=(REFGUID a, REFGUID b) {
    return !IsEqualGUID(a, b);
}
#else
#define REFGUID const GUID*
#define REFIID const IID*
#define REFCLSID const IID*
#endif
#define IsEqualIID(a, b) IsEqualGUID(a, b)
