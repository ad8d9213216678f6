#include "runtime/arrays.h"

#include <string.h>

#include "runtime/heaps.h"
#include "runtime/string_map.h"

ContainerHandlerTable ContainerHandlers = {};

namespace {

// An array's byte count, header included, must fit an int32 as it does in the 32-bit
// build, so sizes that overflow there fail the same way on every build.
bool ArrayBytes(int32_t element_size, int32_t element_count, SIZE_T* bytes) {
    if (element_size < 0 || element_count < 0) return false;
    uint64_t total = (uint64_t)(uint32_t)element_size * (uint32_t)element_count;
    if (total > (uint64_t)0x7FFFFFFF - sizeof(ArrayHeader)) return false;
    *bytes = (SIZE_T)total;
    return true;
}

inline char* Field(void* record, LayoutWord offset) {
    return (char*)record + offset;
}
inline const char* Field(const void* record, LayoutWord offset) {
    return (const char*)record + offset;
}

// Bytes a managed field occupies, for the byte-range copies between fields.
SIZE_T MultiFieldSize(LayoutWord n) {
    return sizeof(void*) + (SIZE_T)n * sizeof(int32_t);
}

// Length in words of the entry starting at `entry`.
SIZE_T EntryLength(const LayoutWord* entry) {
    switch (entry[0]) {
        case LAYOUT_STRUCT_ARRAY:
            return 5;
        case LAYOUT_STRUCT:
            return 4;
        case LAYOUT_ARRAY:
            return 6;
        case LAYOUT_LIST:
            return 5;
        case LAYOUT_MAP:
            return 6;
        case LAYOUT_ARRAY_MULTI:
            return 6 + (SIZE_T)entry[2];
        default:
            return 1;  // a string field
    }
}

void FreeField(void* record, const LayoutWord* e) {
    switch (e[0]) {
        case LAYOUT_STRUCT_ARRAY:
            for (LayoutWord i = 0; i < e[1]; ++i)
                Struct_Free(Field(record, e[2] + i * e[3]), (StructLayout)e[4]);
            break;
        case LAYOUT_STRUCT:
            Struct_Free(Field(record, e[1]), (StructLayout)e[3]);
            break;
        case LAYOUT_ARRAY:
        case LAYOUT_ARRAY_MULTI: {
            void* elements = *(void**)Field(record, e[1]);
            if (elements && ContainerHandlers.array_free) ContainerHandlers.array_free(elements);
            break;
        }
        case LAYOUT_LIST: {
            void* list = *(void**)Field(record, e[1]);
            if (list && ContainerHandlers.list_free) ContainerHandlers.list_free(list);
            break;
        }
        case LAYOUT_MAP: {
            StringMap* map = *(StringMap**)Field(record, e[1]);
            if (map && ContainerHandlers.map_free) ContainerHandlers.map_free(map);
            break;
        }
        default:
            String_Free(*(char**)Field(record, e[0]));
            break;
    }
}

void InitField(void* record, const LayoutWord* e) {
    switch (e[0]) {
        case LAYOUT_STRUCT_ARRAY:
            for (LayoutWord i = 0; i < e[1]; ++i)
                Struct_Init(Field(record, e[2] + i * e[3]), (StructLayout)e[4]);
            break;
        case LAYOUT_STRUCT:
            Struct_Init(Field(record, e[1]), (StructLayout)e[3]);
            break;
        case LAYOUT_ARRAY:
            if (ContainerHandlers.array_alloc)
                ContainerHandlers.array_alloc((int32_t)e[2], (int32_t)e[3], (int32_t)e[4],
                                              (StructLayout)e[5], (void**)Field(record, e[1]));
            break;
        case LAYOUT_LIST:
            if (ContainerHandlers.list_alloc)
                ContainerHandlers.list_alloc(e[2], Field(record, e[1]), e[3], e[4]);
            break;
        case LAYOUT_MAP:
            if (ContainerHandlers.map_alloc)
                ContainerHandlers.map_alloc((int32_t)e[2], (int32_t)e[3], (StructLayout)e[4],
                                            (StringMap**)Field(record, e[1]), (int32_t)e[5]);
            break;
        case LAYOUT_ARRAY_MULTI: {
            LayoutWord n = e[2];
            int32_t* dims = (int32_t*)(Field(record, e[1]) + sizeof(void*));
            for (LayoutWord k = 0; k < n; ++k)
                dims[k] = (int32_t)e[6 + k];
            if (ContainerHandlers.array_alloc_multi)
                ContainerHandlers.array_alloc_multi((int32_t)n, (int32_t)e[3], (int32_t)e[4],
                                                    (StructLayout)e[5], Field(record, e[1]));
            break;
        }
        default:
            break;  // a zero string field is the empty string
    }
}

// Copies an array field: a fresh array shaped like the source's, then its contents.
void CopyArrayField(void* target_field, const void* source_field, bool multi) {
    void* old = *(void**)target_field;
    if (old && ContainerHandlers.array_free) ContainerHandlers.array_free(old);
    void* source = *(void* const*)source_field;
    if (!source || !ContainerHandlers.array_alloc) return;
    ArrayHeader* from = Array_Header(source);
    void* copy = ContainerHandlers.array_alloc(from->element_size, from->element_count,
                                               from->type_code, from->layout, (void**)target_field);
    if (!copy) return;
    if (multi) Array_Header(copy)->dimension_count = from->dimension_count;
    if (ContainerHandlers.array_copy) ContainerHandlers.array_copy(source, copy, 0);
}

void CopyMapField(void* target_field, const void* source_field) {
    StringMap* old = *(StringMap**)target_field;
    if (old && ContainerHandlers.map_free) ContainerHandlers.map_free(old);
    StringMap* source = *(StringMap* const*)source_field;
    if (!source || !ContainerHandlers.map_alloc) return;
    StringMap* copy =
        ContainerHandlers.map_alloc(source->value_size, source->type_code, source->layout,
                                    (StringMap**)target_field, source->bucket_count);
    if (!copy) return;
    // The copy must read its keys the way the source does: an integer key taken for a
    // text pointer would be dereferenced.
    copy->flags |= source->flags & (MAP_NO_CASE | MAP_INT_KEYS);
    if (ContainerHandlers.map_copy) ContainerHandlers.map_copy(source, copy, 0);
}

void CopyListField(void* target_field, const void* source_field, const LayoutWord* e) {
    void* old = *(void**)target_field;
    if (old && ContainerHandlers.list_free) ContainerHandlers.list_free(old);
    void* source = *(void* const*)source_field;
    if (!source || !ContainerHandlers.list_alloc) return;
    void* copy = ContainerHandlers.list_alloc(e[2], target_field, e[3], e[4]);
    if (copy && ContainerHandlers.list_copy) ContainerHandlers.list_copy(source, copy, 0);
}

// Copies one managed field and returns its offset and size.
void CopyField(void* target, const void* source, const LayoutWord* e, SIZE_T* offset,
               SIZE_T* size) {
    switch (e[0]) {
        case LAYOUT_STRUCT_ARRAY:
            for (LayoutWord i = 0; i < e[1]; ++i) {
                SIZE_T at = (SIZE_T)(e[2] + i * e[3]);
                Struct_Copy(Field(target, at), (int32_t)e[3], (StructLayout)e[4],
                            Field(source, at));
            }
            *offset = (SIZE_T)e[2];
            *size = (SIZE_T)(e[1] * e[3]);
            break;
        case LAYOUT_STRUCT:
            Struct_Copy(Field(target, e[1]), (int32_t)e[2], (StructLayout)e[3],
                        Field(source, e[1]));
            *offset = (SIZE_T)e[1];
            *size = (SIZE_T)e[2];
            break;
        case LAYOUT_ARRAY:
        case LAYOUT_ARRAY_MULTI:
            CopyArrayField(Field(target, e[1]), Field(source, e[1]), e[0] == LAYOUT_ARRAY_MULTI);
            *offset = (SIZE_T)e[1];
            *size = e[0] == LAYOUT_ARRAY ? sizeof(void*) : MultiFieldSize(e[2]);
            break;
        case LAYOUT_LIST:
            CopyListField(Field(target, e[1]), Field(source, e[1]), e);
            *offset = (SIZE_T)e[1];
            *size = 2 * sizeof(void*);
            break;
        case LAYOUT_MAP:
            CopyMapField(Field(target, e[1]), Field(source, e[1]));
            *offset = (SIZE_T)e[1];
            *size = sizeof(void*);
            break;
        default: {
            char** field = (char**)Field(target, e[0]);
            if (*field) {
                String_Free(*field);
                *field = 0;
            }
            String_Duplicate(field, *(char* const*)Field(source, e[0]));
            *offset = (SIZE_T)e[0];
            *size = sizeof(char*);
            break;
        }
    }
}

}  // namespace

void Arrays_Init(void) {
    ContainerHandlers.array_alloc = Array_Alloc;
    ContainerHandlers.array_alloc_multi = Array_AllocMulti;
    ContainerHandlers.array_copy = Array_Copy;
    ContainerHandlers.array_free = Array_Free;
}

void* Array_Alloc(int32_t element_size, int32_t element_count, int32_t type_code,
                  StructLayout layout, void** variable) {
    SIZE_T bytes;
    if (!ArrayBytes(element_size, element_count, &bytes)) return 0;
    if (variable && *variable) Array_Free(*variable);
    ArrayHeader* header = (ArrayHeader*)Runtime_Alloc(sizeof(ArrayHeader) + bytes, FALSE);
    if (!header) return 0;
    header->dimension_count = 1;
    header->element_size = element_size;
    header->layout = layout;
    header->variable = variable;
    header->element_count = element_count;
    header->type_code = type_code;
    char* elements = (char*)(header + 1);
    memset(elements, 0, bytes);
    if (variable) *variable = elements;
    if (Struct_NeedsInit(layout)) {
        for (int32_t i = 0; i < element_count; ++i)
            Struct_Init(elements + (SIZE_T)i * (SIZE_T)element_size, layout);
    }
    return elements;
}

void* Array_AllocMulti(int32_t dimension_count, int32_t element_size, int32_t type_code,
                       StructLayout layout, void* dimension_record) {
    if (dimension_count < 1 || !dimension_record) return 0;
    int32_t* dims = (int32_t*)((char*)dimension_record + sizeof(void*));
    // Check every size before the record is rewritten, so bad dimensions change nothing.
    int64_t total = 1;
    for (int32_t k = 0; k < dimension_count; ++k) {
        if (dims[k] < 0) return 0;
        total *= dims[k];
        if (total > 0x7FFFFFFF) return 0;
    }
    SIZE_T bytes;
    if (!ArrayBytes(element_size, (int32_t)total, &bytes)) return 0;
    // Strides from the last dimension backwards: stride k = d(k+1) * ... * d(n-1).
    int32_t stride = 1;
    for (int32_t k = dimension_count - 1; k >= 0; --k) {
        int32_t size = dims[k];
        dims[k] = stride;
        stride *= size;
    }
    void* elements =
        Array_Alloc(element_size, (int32_t)total, type_code, layout, (void**)dimension_record);
    if (elements) Array_Header(elements)->dimension_count = dimension_count;
    return elements;
}

void Array_Free(void* elements) {
    if (!elements) return;
    ArrayHeader* header = Array_Header(elements);
    if (header->layout) {
        for (int32_t i = 0; i < header->element_count; ++i)
            Struct_Free((char*)elements + (SIZE_T)i * (SIZE_T)header->element_size, header->layout);
    }
    // Only while the variable still holds this array: clearing a variable that has since
    // been given another array would lose that one.
    if (header->variable && *header->variable == elements) *header->variable = 0;
    Runtime_Free(header);
}

int32_t Array_Copy(void* source, void* target, int32_t reallocate) {
    if (!source || !target) return 0;
    ArrayHeader* from = Array_Header(source);
    if (from->dimension_count != Array_Header(target)->dimension_count) return 0;
    // Reallocating the target would free the source first.
    if (source == target) return 1;
    if (reallocate) {
        void** variable = Array_Header(target)->variable;
        // The fresh array goes where the old one was held, and only there does the caller
        // find it again: a target that no variable holds is refused before it is freed.
        if (!variable || *variable != target) return 0;
        target = Array_Alloc(from->element_size, from->element_count, from->type_code, from->layout,
                             variable);
        if (!target) return 0;
        Array_Header(target)->dimension_count = from->dimension_count;
    }
    ArrayHeader* to = Array_Header(target);
    int32_t n = from->dimension_count;
    if (n > 1 && from->variable && to->variable) {
        memcpy((char*)to->variable + sizeof(void*), (char*)from->variable + sizeof(void*),
               (SIZE_T)n * sizeof(int32_t));
    }
    if (from->element_count != to->element_count) return 0;
    // A smaller target element, or one laid out differently, cannot take the source's.
    if (from->element_size != to->element_size || from->layout != to->layout) return 0;
    if (from->layout) {
        for (int32_t i = 0; i < from->element_count; ++i) {
            Struct_Copy((char*)target + (SIZE_T)i * (SIZE_T)to->element_size, from->element_size,
                        from->layout, (char*)source + (SIZE_T)i * (SIZE_T)from->element_size);
        }
    } else {
        memcpy(target, source, (SIZE_T)from->element_size * (SIZE_T)from->element_count);
    }
    return 1;
}

int32_t Struct_NeedsInit(StructLayout layout) {
    if (!layout) return 0;
    for (const LayoutWord* e = layout; *e != LAYOUT_END; e += EntryLength(e)) {
        switch (e[0]) {
            case LAYOUT_ARRAY:
            case LAYOUT_LIST:
            case LAYOUT_MAP:
            case LAYOUT_ARRAY_MULTI:
                return 1;
            case LAYOUT_STRUCT_ARRAY:
                if (Struct_NeedsInit((StructLayout)e[4])) return 1;
                break;
            case LAYOUT_STRUCT:
                if (Struct_NeedsInit((StructLayout)e[3])) return 1;
                break;
            default:
                break;
        }
    }
    return 0;
}

void Struct_Init(void* record, StructLayout layout) {
    if (!record || !layout) return;
    for (const LayoutWord* e = layout; *e != LAYOUT_END; e += EntryLength(e))
        InitField(record, e);
}

void Struct_Free(void* record, StructLayout layout) {
    if (!record || !layout) return;
    for (const LayoutWord* e = layout; *e != LAYOUT_END; e += EntryLength(e))
        FreeField(record, e);
}

void Struct_Copy(void* target, int32_t size, StructLayout layout, const void* source) {
    if (target == source || !target || !source || size < 0) return;
    if (!layout) {
        memcpy(target, source, (SIZE_T)size);
        return;
    }
    SIZE_T position = 0;
    for (const LayoutWord* e = layout; *e != LAYOUT_END; e += EntryLength(e)) {
        SIZE_T offset = 0, field_size = 0;
        CopyField(target, source, e, &offset, &field_size);
        if (position < offset)
            memcpy((char*)target + position, (const char*)source + position, offset - position);
        position = offset + field_size;
    }
    if (position < (SIZE_T)size)
        memcpy((char*)target + position, (const char*)source + position, (SIZE_T)size - position);
}

void String_Free(char* value) {
    if (value && StringHeap) HeapFree(StringHeap, 0, value);
}

void String_Duplicate(char** field, const char* source) {
    if (!field || !source) return;
    SIZE_T length = strlen(source);
    char* copy = StringHeap ? (char*)HeapAlloc(StringHeap, 0, length + 5) : 0;
    *field = copy;
    if (!copy) return;
    memcpy(copy, source, length);
    copy[length] = 0;
}
