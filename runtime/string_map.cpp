#include "runtime/string_map.h"

#include <string.h>

#include "runtime/block_pool.h"
#include "runtime/heaps.h"

namespace {

char g_empty_text[1] = {0};

// A text-keyed element carries, after its value, its key's hash and length, so that a
// search passes over the other elements of a chain without reading their key texts. The
// value is padded to 8 bytes to keep that tag aligned.
constexpr uint32_t kInlineKeyBytes = 16;

struct KeyTag {
    uint32_t hash;
    uint32_t length;
    // A short key's bytes, kept beside the hash so that a search decides on them without
    // reaching the key's own block.
    char text[kInlineKeyBytes];
};

inline SIZE_T PaddedValueSize(const StringMap* map) {
    return ((SIZE_T)map->value_size + 7) & ~(SIZE_T)7;
}

inline SIZE_T ElementSize(const StringMap* map) {
    return sizeof(MapElement) + PaddedValueSize(map) + sizeof(KeyTag);
}

inline KeyTag* TagOf(const StringMap* map, MapElement* element) {
    return (KeyTag*)((char*)MapElement_Value(element) + PaddedValueSize(map));
}

inline bool IntKeys(const StringMap* map) {
    return (map->flags & MAP_INT_KEYS) != 0;
}

// h mod bucket count; a mask does it without a division for the usual power-of-two counts.
inline int32_t BucketOf(const StringMap* map, uint32_t h) {
    uint32_t count = (uint32_t)map->bucket_count;
    return (int32_t)((count & (count - 1)) == 0 ? h & (count - 1) : h % count);
}

uint32_t HashKey(const StringMap* map, const char* key, uint32_t* length);

// Negative keys take their unsigned value, like text hashes.
inline int32_t IntBucket(const StringMap* map, int32_t key) {
    return BucketOf(map, (uint32_t)key);
}

inline uint64_t Load8(const char* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

inline uint32_t Load4(const char* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

// memcmp(a, b, n) == 0 for the short texts keys usually are, without a library call: whole
// words, the last one overlapping its predecessor.
inline bool SameBytes(const char* a, const char* b, uint32_t n) {
    if (n >= 8) {
        uint32_t i = 0;
        for (; i + 8 < n; i += 8)
            if (Load8(a + i) != Load8(b + i)) return false;
        return Load8(a + n - 8) == Load8(b + n - 8);
    }
    if (n >= 4) return Load4(a) == Load4(b) && Load4(a + n - 4) == Load4(b + n - 4);
    for (uint32_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// Whether an element's key equals a text whose hash and length are known.
inline bool SameKey(const StringMap* map, MapElement* element, const char* key, uint32_t hash,
                    uint32_t length) {
    const KeyTag* tag = TagOf(map, element);
    if (tag->hash != hash || tag->length != length) return false;
    if (map->flags & MAP_NO_CASE) return _stricmp(element->key.text, key) == 0;
    return SameBytes(length <= kInlineKeyBytes ? tag->text : element->key.text, key, length);
}

// Finishes a successful search: the cursor moves to the element, with its chain
// predecessor as previous, so a deletion that follows unlinks it in place.
inline void* Found(StringMap* map, int32_t bucket, MapElement* before, MapElement* element) {
    map->previous = before;
    map->saved_bucket = bucket;
    map->current_bucket = bucket;
    map->current = element;
    return MapElement_Value(element);
}

void ReleaseElement(StringMap* map, MapElement* element) {
    if (!IntKeys(map)) Runtime_Free(element->key.text);
    if (map->layout) Struct_Free(MapElement_Value(element), map->layout);
    Pool_Free(map->element_pool, element);
}

// The new element enters at the head of its chain and becomes the cursor.
void* LinkNew(StringMap* map, MapElement* element, int32_t bucket) {
    element->next = map->buckets[bucket];
    map->buckets[bucket] = element;
    map->previous = 0;
    ++map->element_count;
    map->current = element;
    map->current_bucket = bucket;
    return MapElement_Value(element);
}

void* ResetValue(StringMap* map, void* value) {
    memset(value, 0, (SIZE_T)map->value_size);
    if (map->flags & MAP_MANAGED_VALUES) Struct_Init(value, map->layout);
    return value;
}

}  // namespace

namespace {

constexpr uint32_t kP1 = 65599u;
constexpr uint32_t kP2 = kP1 * kP1;
constexpr uint32_t kP3 = kP2 * kP1;
constexpr uint32_t kP4 = kP3 * kP1;

inline uint32_t Byte(const char* p, bool no_case) {
    signed char b = (signed char)*p;
    // Only A-Z fold, whatever the locale.
    if (no_case && b >= 'A' && b <= 'Z') b = (signed char)(b + ('a' - 'A'));
    return (uint32_t)(int32_t)b;
}

// h = h * 65599 + b over the bytes, taken four at a time so that the multiplications of a
// group do not wait for each other: h * P^4 + b0 * P^3 + b1 * P^2 + b2 * P + b3. The length
// is found first (strlen reads a word at a time), so the loop tests no byte for the end.
template <bool kNoCase>
inline uint32_t HashText(const char* text, uint32_t* length) {
    const uint32_t n = (uint32_t)strlen(text);
    uint32_t h = 0;
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const char* p = text + i;
        h = h * kP4 + (Byte(p, kNoCase) * kP3 + Byte(p + 1, kNoCase) * kP2) +
            (Byte(p + 2, kNoCase) * kP1 + Byte(p + 3, kNoCase));
    }
    const char* p = text + i;
    switch (n - i) {
        case 3:
            h = h * kP3 + Byte(p, kNoCase) * kP2 + Byte(p + 1, kNoCase) * kP1 +
                Byte(p + 2, kNoCase);
            break;
        case 2:
            h = h * kP2 + Byte(p, kNoCase) * kP1 + Byte(p + 1, kNoCase);
            break;
        case 1:
            h = h * kP1 + Byte(p, kNoCase);
            break;
        default:
            break;
    }
    *length = n;
    return h;
}

uint32_t HashKey(const StringMap* map, const char* key, uint32_t* length) {
    return (map->flags & MAP_NO_CASE) ? HashText<true>(key, length) : HashText<false>(key, length);
}

}  // namespace

uint32_t Map_Hash(const char* key, int32_t no_case) {
    if (!key) return 0;
    uint32_t length;
    return no_case ? HashText<true>(key, &length) : HashText<false>(key, &length);
}

void Maps_Init(void) {
    ContainerHandlers.map_alloc = Map_New;
    ContainerHandlers.map_copy = Map_Copy;
    ContainerHandlers.map_free = Map_Free;
}

StringMap* Map_New(int32_t value_size, int32_t type_code, StructLayout layout, StringMap** owner,
                   int32_t bucket_count) {
    // An element must stay addressable as an int32 block size for its pool.
    if (value_size < 0 || value_size > 0x7FFFFFFF - 2 * (int32_t)sizeof(MapElement) - 16) return 0;
    if (owner && *owner) Map_Free(*owner);
    if (bucket_count < 1) bucket_count = 1;

    StringMap* map = (StringMap*)Runtime_Alloc(sizeof(StringMap), FALSE);
    if (!map) return 0;
    uint64_t bucket_bytes = (uint64_t)(uint32_t)bucket_count * sizeof(MapElement*);
    map->buckets =
        bucket_bytes <= (SIZE_T)-1 ? (MapElement**)Runtime_Alloc((SIZE_T)bucket_bytes, TRUE) : 0;
    if (!map->buckets) {
        Runtime_Free(map);
        return 0;
    }
    map->bucket_count = bucket_count;
    map->value_size = value_size;
    map->type_code = type_code;
    map->layout = layout;
    map->owner = owner;
    map->current = 0;
    // The cursor starts as after a reset, so no step ever reads an unset field.
    map->previous = 0;
    map->current_bucket = -1;
    map->saved_bucket = -1;
    map->element_count = 0;
    map->flags = Struct_NeedsInit(layout) ? MAP_MANAGED_VALUES : 0;
    map->extra_blocks = 0;
    map->element_pool = Pool_Create((int32_t)ElementSize(map), 16, 65536, POOL_SHARED);
    map->spare_element = map->element_pool ? (MapElement*)Runtime_Alloc(ElementSize(map), TRUE) : 0;
    if (!map->spare_element) {
        // A map without its pool could never hold an element; fail now instead.
        Pool_Destroy(map->element_pool);
        Runtime_Free(map->buckets);
        Runtime_Free(map);
        return 0;
    }
    map->spare_element->key.text = g_empty_text;
    if (owner) *owner = map;
    return map;
}

int32_t Map_Free(StringMap* map) {
    if (!map) return 0;
    Map_Clear(map);
    Pool_Destroy(map->element_pool);
    Runtime_Free(map->buckets);
    Runtime_Free(map->spare_element);
    void* block = map->extra_blocks;
    while (block) {
        void* next = *(void**)block;
        Runtime_Free(block);
        block = next;
    }
    // Only clear the variable while it still names this map.
    if (map->owner && *map->owner == map) *map->owner = 0;
    Runtime_Free(map);
    return 1;
}

void* Map_Find(StringMap* map, const char* key) {
    if (!map || IntKeys(map)) return 0;
    if (!key) key = g_empty_text;
    uint32_t length;
    uint32_t hash = HashKey(map, key, &length);
    int32_t bucket = BucketOf(map, hash);
    MapElement* before = 0;
    for (MapElement* e = map->buckets[bucket]; e; before = e, e = e->next) {
        if (SameKey(map, e, key, hash, length)) return Found(map, bucket, before, e);
    }
    return 0;
}

void* Map_FindInt(StringMap* map, int32_t key) {
    if (!map || !IntKeys(map)) return 0;
    int32_t bucket = IntBucket(map, key);
    MapElement* before = 0;
    for (MapElement* e = map->buckets[bucket]; e; before = e, e = e->next) {
        if ((int32_t)e->key.number == key) return Found(map, bucket, before, e);
    }
    return 0;
}

void* Map_Add(StringMap* map, const char* key, int32_t find_first) {
    if (!map || IntKeys(map)) return 0;
    if (!key) key = g_empty_text;
    if (find_first) {
        void* value = Map_Find(map, key);
        if (value) {
            if (map->layout) Struct_Free(value, map->layout);
            return ResetValue(map, value);
        }
    }
    uint32_t length;
    uint32_t hash = HashKey(map, key, &length);
    MapElement* element = (MapElement*)Pool_Alloc(map->element_pool);
    if (!element) return 0;
    char* copy = (char*)Runtime_Alloc((SIZE_T)length + 1, FALSE);
    if (!copy) {
        // Without its key the element cannot enter the map; the map stays as it was.
        Pool_Free(map->element_pool, element);
        return 0;
    }
    memcpy(copy, key, (SIZE_T)length + 1);
    element->key.text = copy;
    KeyTag* tag = TagOf(map, element);
    tag->hash = hash;
    tag->length = length;
    memcpy(tag->text, key, length < kInlineKeyBytes ? length : kInlineKeyBytes);
    return ResetValue(map, LinkNew(map, element, BucketOf(map, hash)));
}

void* Map_AddInt(StringMap* map, int32_t key, int32_t find_first) {
    if (!map || !IntKeys(map)) return 0;
    if (find_first) {
        void* value = Map_FindInt(map, key);
        if (value) {
            if (map->layout) Struct_Free(value, map->layout);
            return ResetValue(map, value);
        }
    }
    int32_t bucket = IntBucket(map, key);
    MapElement* element = (MapElement*)Pool_Alloc(map->element_pool);
    if (!element) return 0;
    element->key.number = key;
    return ResetValue(map, LinkNew(map, element, bucket));
}

void Map_Reset(StringMap* map) {
    if (!map) return;
    map->current = 0;
    map->current_bucket = -1;
}

void* Map_Next(StringMap* map) {
    if (!map) return 0;
    map->previous = map->current;
    map->saved_bucket = map->current_bucket;
    int32_t bucket;
    if (map->current) {
        map->current = map->current->next;
        if (map->current) return MapElement_Value(map->current);
        bucket = ++map->current_bucket;
    } else {
        if (map->current_bucket != -1) return 0;
        bucket = map->current_bucket = 0;
    }
    for (; bucket < map->bucket_count; ++bucket) {
        if (map->buckets[bucket]) {
            map->current_bucket = bucket;
            map->current = map->buckets[bucket];
            return MapElement_Value(map->current);
        }
    }
    map->current = 0;
    return 0;
}

void* Map_DeleteCurrent(StringMap* map) {
    if (!map || !map->current) return 0;
    MapElement* element = map->current;
    int32_t bucket = map->current_bucket;
    if (bucket < 0 || bucket >= map->bucket_count) return 0;
    MapElement* before = 0;  // the element's predecessor in its chain
    if (map->buckets[bucket] != element) {
        if (map->previous && map->previous->next == element) {
            before = map->previous;
        } else {
            // The cursor did not come from a step or a search (a second deletion in a
            // row): find the predecessor rather than unlink through a stale one.
            before = map->buckets[bucket];
            while (before && before->next != element)
                before = before->next;
            if (!before) return 0;
        }
    }
    if (before)
        before->next = element->next;
    else
        map->buckets[bucket] = element->next;
    --map->element_count;

    if (map->previous != element) {
        map->current = map->previous;
        map->current_bucket = map->saved_bucket;
    } else {
        map->current = before;
        map->current_bucket = bucket;
    }
    // The new cursor is its own "previous" until the next step, as after a step back.
    map->previous = map->current;
    map->saved_bucket = map->current_bucket;
    ReleaseElement(map, element);
    return map->current ? MapElement_Value(map->current) : 0;
}

void Map_Clear(StringMap* map) {
    if (!map) return;
    for (int32_t bucket = 0; bucket < map->bucket_count; ++bucket) {
        MapElement* e = map->buckets[bucket];
        while (e) {
            MapElement* next = e->next;
            ReleaseElement(map, e);
            e = next;
        }
        map->buckets[bucket] = 0;
    }
    Map_Reset(map);
    map->previous = 0;
    map->saved_bucket = -1;
    map->element_count = 0;
}

int32_t Map_Copy(StringMap* source, StringMap* target, int32_t clear_first) {
    if (!source || !target) return 0;
    if (source == target) return 1;
    if (source->value_size != target->value_size || source->layout != target->layout ||
        IntKeys(source) != IntKeys(target))
        return 0;
    MapElement* saved_current = source->current;
    int32_t saved_bucket = source->current_bucket;
    MapElement* saved_previous = source->previous;
    int32_t saved_previous_bucket = source->saved_bucket;
    if (clear_first) Map_Clear(target);
    int32_t result = 1;
    Map_Reset(source);
    while (void* value = Map_Next(source)) {
        MapElement* element = source->current;
        void* copy = IntKeys(source) ? Map_AddInt(target, (int32_t)element->key.number, 0)
                                     : Map_Add(target, element->key.text, 0);
        if (!copy) {
            result = 0;
            break;
        }
        Struct_Copy(copy, source->value_size, source->layout, value);
    }
    source->current = saved_current;
    source->current_bucket = saved_bucket;
    source->previous = saved_previous;
    source->saved_bucket = saved_previous_bucket;
    return result;
}

const char* Map_CurrentKey(StringMap* map) {
    if (!map || !map->current || IntKeys(map)) return 0;
    return map->current->key.text;
}
