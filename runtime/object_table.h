// Object tables: the registry of one kind of runtime object (windows, gadgets, images,
// sprites).
//
// Objects are named either by a number the program chooses (0 and above), which indexes
// a growable array of slots, or, when OBJECT_DYNAMIC is asked for, by an identifier the
// table hands back. Records are zero-filled blocks of the RuntimeHeap of the kind's size.
// An object is live while the first 32-bit field of its record is non-zero; every kind
// stores its platform handle (or another non-zero value) there.
//
// Identifiers of dynamic objects come from [OBJECT_DYNAMIC_FIRST, 0x7FFFFFFF], a range no
// numbered object can reach: Objects_Create of a number in that range fails. They are
// found again in constant time through a side table, so a stale or invented identifier
// is simply not found. A freed identifier may be handed out again later.
//
// Numbers below OBJECT_DYNAMIC (-1) name nothing: Create returns 0, Find returns 0, Free
// does nothing. Every operation accepts a null table and then does nothing (or returns 0).
//
// Lifetime: a table lives until the RuntimeHeap is destroyed and is never freed on its
// own. A numbered record, once made, stays in its slot and is zero-filled by
// Objects_Free; it is reused when the number is created again. A dynamic record is
// released by Objects_Free.
//
// Tables are not locked: use one from one thread.
#pragma once

#include <windows.h>
#include <stdint.h>

#define OBJECT_DYNAMIC (-1)
// First dynamic identifier; numbered objects live below it.
#define OBJECT_DYNAMIC_FIRST 0x40000000

// A kind's close routine. Given OBJECT_DYNAMIC it closes every object of its kind
// (Objects_FreeAll); given a number or identifier it releases that object.
typedef int32_t (*ObjectCloseRoutine)(int32_t number);

struct ObjectNode;

struct ObjectTable {
    int32_t object_size;
    int32_t growth_step;  // slots added beyond a number that does not fit; initial slot count
    int32_t slot_count;
    void** slots;                         // slot_count records, 0 where never created
    struct ObjectNode* dynamic_list;      // most recently created dynamic object
    ObjectCloseRoutine close_routine;     // or 0
    int32_t enumeration_index;            // next slot number to examine
    struct ObjectNode* enumeration_node;  // next dynamic node to return
    // Identifier side table: entry (identifier - OBJECT_DYNAMIC_FIRST) holds the node, or,
    // while free, the next free entry (tagged in its low bit).
    UINT_PTR* identifiers;
    int32_t identifier_capacity;
    int32_t identifier_free;  // first free entry, -1 when none
};

// A table for objects of `object_size` bytes (at least 4, for the liveness field) with
// `growth_step` (at least 1) initial slots. 0 on bad sizes or no memory.
struct ObjectTable* Objects_NewTable(int32_t object_size, int32_t growth_step,
                                     ObjectCloseRoutine close_routine);

// A zero-filled record for `number`, or for a new dynamic object with OBJECT_DYNAMIC.
// Creating a number that already has a record runs the close routine on it first, then
// returns the same record, zero-filled. 0 on failure (bad number, no memory); the table
// is then unchanged.
void* Objects_Create(struct ObjectTable* table, int32_t number);

// The live record of a number or identifier, or 0.
void* Objects_Find(struct ObjectTable* table, int32_t number);

// The identifier of a dynamic object's record, as returned by Objects_Create(table,
// OBJECT_DYNAMIC), or OBJECT_DYNAMIC when the table does not hold it. Pass only records of
// dynamic objects not yet freed (a numbered record gives an undefined result).
int32_t Objects_IdentifierOf(struct ObjectTable* table, const void* record);

// Zero-fills a numbered record (kept in its slot) or releases a dynamic object.
void Objects_Free(struct ObjectTable* table, int32_t number);

// Calls the close routine for every object the enumeration yields. Returns 1 when the
// table has a close routine, else 0 (and does nothing).
int32_t Objects_FreeAll(struct ObjectTable* table);

// Enumeration: live numbered objects by increasing number, then dynamic objects from
// oldest to newest (dynamic records are returned without the liveness test). The cursor
// moves past an object before returning it, so the caller may free what it was given;
// freeing any other object during the walk is safe too.
void Objects_EnumStart(struct ObjectTable* table);
void* Objects_EnumNext(struct ObjectTable* table, int32_t* number);
