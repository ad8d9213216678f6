// A record with one managed string, and a string made on the string heap, for the array
// and structured-value tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "runtime/arrays.h"

namespace {

struct Named {
    char* name;
    int32_t value;
};
const LayoutWord kNamedLayout[] = {offsetof(Named, name), LAYOUT_END};

char* Dup(const char* text) {
    char* s = nullptr;
    String_Duplicate(&s, text);
    return s;
}

}  // namespace
