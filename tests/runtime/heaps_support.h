// The record initialiser the Global_Alloc tests count calls of, and what it saw.
#pragma once

#include <string.h>

namespace {

int g_init_calls;
bool g_init_saw_zeros;

// Counts the call, notes whether the 64-byte record came zero-filled, then marks it.
void CountingInit(void* record) {
    ++g_init_calls;
    const unsigned char* bytes = static_cast<const unsigned char*>(record);
    g_init_saw_zeros = true;
    for (int i = 0; i < 64; ++i)
        g_init_saw_zeros &= bytes[i] == 0;
    memset(record, 0xAB, 64);
}

}  // namespace
