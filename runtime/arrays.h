// Runtime arrays and structured values.
//
// An array is one block of the RuntimeHeap: an ArrayHeader followed by the elements. Its
// value, held by its variable, is the address of the first element; a variable holding 0
// has no array. Array_Free clears the variable the header names, so a variable never
// keeps a freed array.
//
// A multi-dimensional array's variable is a dimension record: the element-address word
// followed by n 32-bit words (ArrayDimensions). Before Array_AllocMulti they hold the
// dimension sizes; the allocation replaces them by the row-major strides.
//
// Records with managed fields (strings, arrays, maps, lists) are described by a
// StructLayout: a sequence of LayoutWord entries ended by LAYOUT_END. LayoutWord is
// pointer-sized so that sub-layout entries can hold a layout's address; offsets and
// sizes are byte counts. Entry forms:
//   offset (>= 0)                      a string field (one pointer)
//   LAYOUT_STRUCT_ARRAY count offset element_size sub_layout
//   LAYOUT_STRUCT       offset size sub_layout
//   LAYOUT_ARRAY        offset element_size element_count type_code element_layout
//   LAYOUT_LIST         offset p1 p2 p3                      (two pointers)
//   LAYOUT_MAP          offset value_size type_code value_layout bucket_count
//   LAYOUT_ARRAY_MULTI  offset n element_size type_code element_layout d0 ... d(n-1)
//                       (an inline dimension record: one pointer + n int32)
// Entries appear in increasing order of offset. Layouts are trusted program data.
//
// Arrays and maps reach each other only through ContainerHandlers, filled by Arrays_Init
// and Maps_Init; an empty slot makes the matching step a no-op.
//
// String values are zero-terminated texts of the StringHeap, 0 for the empty string.
//
// Nothing here locks: an array or record is used by one thread at a time.
#pragma once

#include <windows.h>
#include <stdint.h>

typedef INT_PTR LayoutWord;
typedef const LayoutWord* StructLayout;

#define LAYOUT_END (-1)
#define LAYOUT_STRUCT_ARRAY (-2)
#define LAYOUT_STRUCT (-3)
#define LAYOUT_ARRAY (-4)
#define LAYOUT_LIST (-5)
#define LAYOUT_MAP (-6)
#define LAYOUT_ARRAY_MULTI (-7)

// Element type codes: what the creator says the elements are. Stored with an array or map
// and passed on by copies; nothing here reads them.
#define ARRAY_TYPE_INT32 21  // 32-bit signed integers

struct ArrayHeader {
    int32_t dimension_count;  // 1, or n for Array_AllocMulti
    int32_t element_size;
    StructLayout layout;    // the elements' layout, or 0
    void** variable;        // the variable holding this array; cleared by Array_Free
    int32_t element_count;  // product of all dimensions
    int32_t type_code;      // passed on by copies, never interpreted
};

// The dimension record of a multi-dimensional array variable.
struct ArrayDimensions {
    void* elements;
    int32_t strides[1];  // really n words
};

// The header of an array value (its element address).
static inline struct ArrayHeader* Array_Header(void* elements) {
    return (struct ArrayHeader*)elements - 1;
}

struct StringMap;

typedef void* (*ArrayAllocRoutine)(int32_t element_size, int32_t element_count, int32_t type_code,
                                   StructLayout layout, void** variable);
typedef void* (*ArrayAllocMultiRoutine)(int32_t dimension_count, int32_t element_size,
                                        int32_t type_code, StructLayout layout,
                                        void* dimension_record);
typedef void* (*ListAllocRoutine)(LayoutWord p1, void* field, LayoutWord p2, LayoutWord p3);
typedef struct StringMap* (*MapAllocRoutine)(int32_t value_size, int32_t type_code,
                                             StructLayout layout, struct StringMap** owner,
                                             int32_t bucket_count);
typedef int32_t (*ArrayCopyRoutine)(void* source, void* target, int32_t reallocate);
typedef int32_t (*ListCopyRoutine)(void* source, void* target, int32_t flag);
typedef int32_t (*MapCopyRoutine)(struct StringMap* source, struct StringMap* target,
                                  int32_t clear_first);
typedef void (*ArrayFreeRoutine)(void* elements);
typedef void (*ListFreeRoutine)(void* list);
typedef int32_t (*MapFreeRoutine)(struct StringMap* map);

struct ContainerHandlerTable {
    ArrayAllocRoutine array_alloc;
    ArrayAllocMultiRoutine array_alloc_multi;
    ListAllocRoutine list_alloc;
    MapAllocRoutine map_alloc;
    ArrayCopyRoutine array_copy;
    ListCopyRoutine list_copy;
    MapCopyRoutine map_copy;
    ArrayFreeRoutine array_free;
    ListFreeRoutine list_free;
    MapFreeRoutine map_free;
};

extern struct ContainerHandlerTable ContainerHandlers;

// Fills the array slots of ContainerHandlers.
void Arrays_Init(void);

// Frees the array the variable holds, then makes a zero-filled array of `element_count`
// elements (initialised by Struct_Init when the layout has containers) and stores it in
// the variable (which may be 0: the array is then only returned). Returns the element
// address, or 0. Bad sizes (negative, or a byte count that with the header does not fit an
// int32) fail before anything is freed; an allocation failure leaves the variable 0.
void* Array_Alloc(int32_t element_size, int32_t element_count, int32_t type_code,
                  StructLayout layout, void** variable);

// Allocates the product of the n dimension sizes held in the record's words, replacing
// them by the strides. Bad dimensions (n < 1, a negative size, a product that does not
// fit) fail and leave the record untouched.
void* Array_AllocMulti(int32_t dimension_count, int32_t element_size, int32_t type_code,
                       StructLayout layout, void* dimension_record);

// Releases the elements' strings and containers and the array; clears its variable if that
// still holds this array.
void Array_Free(void* elements);

// Deep-copies source into target. With reallocate, the target variable first gets a
// fresh array shaped like the source. Returns 1, or 0 when either is 0, the dimension
// counts differ, or (after the strides are copied) the element counts, element sizes or
// layouts differ; nothing is copied then. Copying an array onto itself does nothing.
// Reallocation needs the target's variable: a target made without one, or whose variable
// now holds another array, is refused (0) and left as it is, since the fresh array would
// be stored nowhere.
int32_t Array_Copy(void* source, void* target, int32_t reallocate);

// 1 when the layout (with its embedded sub-records) holds an array, list or map.
int32_t Struct_NeedsInit(StructLayout layout);
// Creates the containers of a zero-filled record.
void Struct_Init(void* record, StructLayout layout);
// Releases the strings and containers of a record (fields keep their old values).
void Struct_Free(void* record, StructLayout layout);
// Deep copy: plain bytes as ranges, managed fields by value. Copying onto itself does
// nothing.
void Struct_Copy(void* target, int32_t size, StructLayout layout, const void* source);

// Frees a string value of the StringHeap (0 does nothing).
void String_Free(char* value);
// Stores in *field a StringHeap copy of source; source 0 leaves the field as it is, a
// failed allocation leaves it 0.
void String_Duplicate(char** field, const char* source);
