// The string-keyed map: a chained hash table from keys to fixed-size values, with a
// cursor that remembers the element last found, added or visited.
//
// Keys are texts, compared with strcmp, or with _stricmp when MAP_NO_CASE is set, or
// 32-bit integers when MAP_INT_KEYS is set. Map_New sets only MAP_MANAGED_VALUES (when
// the layout holds containers); a caller wanting other key kinds sets the flag on the
// new, empty map. A null key text is the empty text.
//
// Text hash: h = h * 65599 + b over the key's bytes taken as signed chars (case-folded
// A-Z -> a-z under MAP_NO_CASE), in wrapping 32-bit arithmetic; bucket = h mod bucket
// count, both unsigned. An integer key's bucket is the key, taken as unsigned, mod the
// bucket count. The bucket count is fixed at creation; chains grow as elements come.
//
// New elements enter at the head of their chain, so a key added twice (without find
// first) is found at its newest. Iteration (Map_Reset, Map_Next) visits buckets in
// increasing order and each chain newest first. Map_DeleteCurrent right after an
// iteration step leaves the cursor so the next Map_Next returns the element that
// followed the deleted one: deleting inside the loop is safe. A deletion in another
// position (after Map_Find, or twice in a row) still unlinks the right element; the
// iteration should then begin again with Map_Reset.
//
// Elements come from a block pool shared by all maps of the same element size (the value
// padded to 8 bytes, two pointers and an 8-byte key tag); text keys are the map's own copies
// in the RuntimeHeap. Values described by a layout are
// initialised, released and deep-copied through it.
//
// Text operations on an integer-keyed map, and integer operations on a text-keyed map,
// find and add nothing. Null maps are ignored (results 0). Maps are not locked: use one from one
// thread.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "runtime/arrays.h"

#define MAP_NO_CASE 1
#define MAP_MANAGED_VALUES 2
#define MAP_INT_KEYS 4

struct BlockPool;

struct MapElement {
    struct MapElement* next;  // next element of the same chain
    union {
        char* text;  // the map's own copy
        INT_PTR number;
    } key;
    // the value follows: value_size bytes, padded to 8; in a text-keyed map, then the key's
    // hash and length (two 32-bit words), which spare a search the key texts it passes over
};

struct StringMap {
    struct MapElement* current;   // the cursor
    struct MapElement** buckets;  // head of each chain
    struct MapElement* previous;  // before the cursor in its chain / before the last step
    struct MapElement* spare_element;
    StructLayout layout;
    int32_t current_bucket;  // -1 before an iteration has started
    int32_t saved_bucket;
    int32_t value_size;
    int32_t type_code;
    int32_t bucket_count;
    int32_t element_count;
    uint32_t flags;
    struct StringMap** owner;  // cleared when the map is freed
    void* extra_blocks;        // chain of blocks released with the map
    struct BlockPool* element_pool;
};

// The value of an element.
static inline void* MapElement_Value(struct MapElement* element) {
    return element + 1;
}

// The text hash of a key as described above.
uint32_t Map_Hash(const char* key, int32_t no_case);

// Fills the map slots of ContainerHandlers.
void Maps_Init(void);

// Frees the map *owner holds, makes a new empty map and stores it in *owner (owner may be
// 0). A bucket count below 1 becomes 1. Returns 0 on failure, *owner is then 0; a
// negative value size fails before anything is freed.
struct StringMap* Map_New(int32_t value_size, int32_t type_code, StructLayout layout,
                          struct StringMap** owner, int32_t bucket_count);
// 1, or 0 for a null map.
int32_t Map_Free(struct StringMap* map);

void* Map_Find(struct StringMap* map, const char* key);
void* Map_FindInt(struct StringMap* map, int32_t key);
// The value of a new element (or, with find first, the existing one, zero-filled again),
// or 0 when no element can be had; the map is then unchanged.
void* Map_Add(struct StringMap* map, const char* key, int32_t find_first);
void* Map_AddInt(struct StringMap* map, int32_t key, int32_t find_first);

void Map_Reset(struct StringMap* map);
void* Map_Next(struct StringMap* map);
void* Map_DeleteCurrent(struct StringMap* map);
void Map_Clear(struct StringMap* map);

// Adds a deep copy of every source element to the target (clearing it first on request).
// Returns 1; 0 when either map is null, when their value sizes, layouts or key kinds
// differ (nothing is copied), or when an element could not be added. Copying a map onto
// itself changes nothing.
int32_t Map_Copy(struct StringMap* source, struct StringMap* target, int32_t clear_first);

// The key text of the cursor's element (0 when there is none or keys are integers).
const char* Map_CurrentKey(struct StringMap* map);
