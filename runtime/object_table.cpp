#include "runtime/object_table.h"

#include <string.h>

#include "runtime/heaps.h"

// A dynamic object's node: the two list links and its identifier, then the record,
// aligned as the heap aligns its blocks so records may hold any type.
struct ObjectNode {
    ObjectNode* older;
    ObjectNode* newer;
    int32_t identifier;
};

namespace {

constexpr SIZE_T kRecordOffset = (sizeof(ObjectNode) + 15) & ~(SIZE_T)15;
constexpr int32_t kIdentifierLimit = 0x7FFFFFFF - OBJECT_DYNAMIC_FIRST + 1;

inline void* NodeRecord(ObjectNode* node) {
    return (char*)node + kRecordOffset;
}
inline ObjectNode* RecordNode(const void* record) {
    return (ObjectNode*)((char*)record - kRecordOffset);
}

inline bool IsFreeEntry(UINT_PTR entry) {
    return (entry & 1) != 0;
}
inline UINT_PTR FreeEntry(int32_t next) {
    return ((UINT_PTR)(uint32_t)(next + 1) << 1) | 1;
}
inline int32_t FreeEntryNext(UINT_PTR entry) {
    return (int32_t)(entry >> 1) - 1;
}

// The node of an identifier, or 0 when it names no dynamic object of the table.
ObjectNode* LookupIdentifier(ObjectTable* table, int32_t identifier) {
    if (identifier < OBJECT_DYNAMIC_FIRST) return 0;
    int32_t index = identifier - OBJECT_DYNAMIC_FIRST;
    if (index >= table->identifier_capacity) return 0;
    UINT_PTR entry = table->identifiers[index];
    if (!entry || IsFreeEntry(entry)) return 0;
    return (ObjectNode*)entry;
}

// Takes a free entry of the side table, growing it when none is left; -1 on failure.
int32_t TakeIdentifierEntry(ObjectTable* table) {
    if (table->identifier_free < 0) {
        int32_t old_capacity = table->identifier_capacity;
        if (old_capacity >= kIdentifierLimit) return -1;
        int32_t capacity = old_capacity ? old_capacity : 16;
        if (old_capacity)
            capacity = old_capacity > kIdentifierLimit / 2 ? kIdentifierLimit : old_capacity * 2;
        SIZE_T bytes = (SIZE_T)capacity * sizeof(UINT_PTR);
        UINT_PTR* grown = table->identifiers
                              ? (UINT_PTR*)HeapReAlloc(RuntimeHeap, 0, table->identifiers, bytes)
                              : (UINT_PTR*)Runtime_Alloc(bytes, FALSE);
        if (!grown) return -1;
        // Thread the new entries onto the free list, lowest first.
        for (int32_t i = old_capacity; i < capacity; ++i)
            grown[i] = FreeEntry(i + 1 < capacity ? i + 1 : -1);
        table->identifiers = grown;
        table->identifier_capacity = capacity;
        table->identifier_free = old_capacity;
    }
    int32_t index = table->identifier_free;
    table->identifier_free = FreeEntryNext(table->identifiers[index]);
    return index;
}

void ReleaseIdentifierEntry(ObjectTable* table, int32_t index) {
    table->identifiers[index] = FreeEntry(table->identifier_free);
    table->identifier_free = index;
}

void* CreateDynamic(ObjectTable* table) {
    ObjectNode* node = (ObjectNode*)Runtime_Alloc(kRecordOffset + (SIZE_T)table->object_size, TRUE);
    if (!node) return 0;
    int32_t index = TakeIdentifierEntry(table);
    if (index < 0) {
        Runtime_Free(node);
        return 0;
    }
    table->identifiers[index] = (UINT_PTR)node;
    node->identifier = OBJECT_DYNAMIC_FIRST + index;
    node->older = table->dynamic_list;
    if (node->older) node->older->newer = node;
    table->dynamic_list = node;
    return NodeRecord(node);
}

bool GrowSlots(ObjectTable* table, int32_t number) {
    // One growth step beyond the number, but never into the identifier range.
    int64_t wanted = (int64_t)number + table->growth_step;
    if (wanted > OBJECT_DYNAMIC_FIRST) wanted = OBJECT_DYNAMIC_FIRST;
    int32_t count = (int32_t)wanted;
    if ((uint64_t)count * sizeof(void*) > (SIZE_T)-1) return false;
    SIZE_T bytes = (SIZE_T)count * sizeof(void*);
    void** slots = (void**)HeapReAlloc(RuntimeHeap, 0, table->slots, bytes);
    if (!slots) return false;
    memset(slots + table->slot_count, 0, (SIZE_T)(count - table->slot_count) * sizeof(void*));
    table->slots = slots;
    table->slot_count = count;
    return true;
}

}  // namespace

ObjectTable* Objects_NewTable(int32_t object_size, int32_t growth_step,
                              ObjectCloseRoutine close_routine) {
    if (object_size < 4 || growth_step < 1 || growth_step >= OBJECT_DYNAMIC_FIRST) return 0;
    ObjectTable* table = (ObjectTable*)Runtime_Alloc(sizeof(ObjectTable), TRUE);
    if (!table) return 0;
    table->slots = (void**)Runtime_Alloc((SIZE_T)growth_step * sizeof(void*), TRUE);
    if (!table->slots) {
        Runtime_Free(table);
        return 0;
    }
    table->object_size = object_size;
    table->growth_step = growth_step;
    table->slot_count = growth_step;
    table->close_routine = close_routine;
    table->identifier_free = -1;
    return table;
}

void* Objects_Create(ObjectTable* table, int32_t number) {
    if (!table) return 0;
    if (number == OBJECT_DYNAMIC) return CreateDynamic(table);
    if (number < 0 || number >= OBJECT_DYNAMIC_FIRST) return 0;
    if (number >= table->slot_count && !GrowSlots(table, number)) return 0;
    void* record = table->slots[number];
    if (record) {
        if (table->close_routine) table->close_routine(number);
        // The close routine may leave parts of the record (a kind that does not free its
        // slot on close); the caller is promised an empty record.
        memset(record, 0, (SIZE_T)table->object_size);
        return record;
    }
    record = Runtime_Alloc((SIZE_T)table->object_size, TRUE);
    if (!record) return 0;
    table->slots[number] = record;
    return record;
}

void* Objects_Find(ObjectTable* table, int32_t number) {
    if (!table) return 0;
    void* record = 0;
    if (number >= 0 && number < table->slot_count) {
        record = table->slots[number];
    } else {
        ObjectNode* node = LookupIdentifier(table, number);
        if (node) record = NodeRecord(node);
    }
    if (record && *(const int32_t*)record != 0) return record;
    return 0;
}

int32_t Objects_IdentifierOf(ObjectTable* table, const void* record) {
    if (!table || !record) return OBJECT_DYNAMIC;
    ObjectNode* node = RecordNode(record);
    if (LookupIdentifier(table, node->identifier) != node) return OBJECT_DYNAMIC;
    return node->identifier;
}

void Objects_Free(ObjectTable* table, int32_t number) {
    if (!table) return;
    if (number >= 0 && number < table->slot_count) {
        void* record = table->slots[number];
        if (record) memset(record, 0, (SIZE_T)table->object_size);
        return;
    }
    ObjectNode* node = LookupIdentifier(table, number);
    if (!node) return;
    if (node->newer)
        node->newer->older = node->older;
    else
        table->dynamic_list = node->older;
    if (node->older) node->older->newer = node->newer;
    // A walk in progress must not land on the freed node.
    if (table->enumeration_node == node) table->enumeration_node = node->newer;
    ReleaseIdentifierEntry(table, number - OBJECT_DYNAMIC_FIRST);
    Runtime_Free(node);
}

int32_t Objects_FreeAll(ObjectTable* table) {
    if (!table || !table->close_routine) return 0;
    Objects_EnumStart(table);
    int32_t number;
    while (Objects_EnumNext(table, &number))
        table->close_routine(number);
    return 1;
}

void Objects_EnumStart(ObjectTable* table) {
    if (!table) return;
    table->enumeration_index = 0;
    ObjectNode* node = table->dynamic_list;
    while (node && node->older)
        node = node->older;
    table->enumeration_node = node;
}

void* Objects_EnumNext(ObjectTable* table, int32_t* number) {
    if (!table) return 0;
    while (table->enumeration_index >= 0 && table->enumeration_index < table->slot_count) {
        int32_t index = table->enumeration_index++;
        void* record = table->slots[index];
        if (record && *(const int32_t*)record != 0) {
            if (number) *number = index;
            return record;
        }
    }
    ObjectNode* node = table->enumeration_node;
    if (!node) return 0;
    table->enumeration_node = node->newer;
    if (number) *number = node->identifier;
    return NodeRecord(node);
}
