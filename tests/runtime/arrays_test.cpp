#include "runtime/arrays.h"

#include <string.h>

#include "arrays_support.h"
#include "runtime_test_support.h"

namespace {

using ArrayTest = RuntimeTest;
using StructTest = RuntimeTest;

TEST_F(ArrayTest, EmptyArrayIsValidAndFreeingClearsTheVariable) {
    void* array = nullptr;
    void* elements = Array_Alloc(4, 0, 21, nullptr, &array);
    ASSERT_NE(elements, nullptr);
    EXPECT_EQ(array, elements);
    ArrayHeader* header = Array_Header(elements);
    EXPECT_EQ(header->dimension_count, 1);
    EXPECT_EQ(header->element_count, 0);
    EXPECT_EQ(header->type_code, 21);
    EXPECT_EQ(header->variable, &array);
    Array_Free(array);
    EXPECT_EQ(array, nullptr);
    Array_Free(nullptr);
}

TEST_F(ArrayTest, FreeingLeavesAVariableThatHoldsAnotherArrayAlone) {
    void* variable = nullptr;
    void* first = Array_Alloc(4, 2, 0, nullptr, &variable);
    void* other = nullptr;
    void* second = Array_Alloc(4, 2, 0, nullptr, &other);
    variable = second;  // the program moved another array into the variable
    Array_Free(first);
    EXPECT_EQ(variable, second);
    Array_Free(second);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(variable, second);  // its header names `other`, not this variable
}

TEST_F(ArrayTest, ElementsStartZeroFilled) {
    void* array = nullptr;
    auto* counters = static_cast<int32_t*>(Array_Alloc(4, 6, 21, nullptr, &array));
    ASSERT_NE(counters, nullptr);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(counters[i], 0);
}

TEST_F(ArrayTest, ReallocatingFreesTheOldArrayAndItsStrings) {
    size_t strings = StringBlocks();
    size_t blocks = RuntimeBlocks();
    void* array = nullptr;
    auto* named = static_cast<Named*>(Array_Alloc(sizeof(Named), 3, 0, kNamedLayout, &array));
    ASSERT_NE(named, nullptr);
    named[0].name = Dup("zero");
    named[2].name = Dup("two");
    EXPECT_EQ(StringBlocks(), strings + 2);
    ASSERT_NE(Array_Alloc(sizeof(Named), 5, 0, kNamedLayout, &array), nullptr);
    EXPECT_EQ(StringBlocks(), strings);
    EXPECT_EQ(RuntimeBlocks(), blocks + 1);
    EXPECT_EQ(Array_Header(array)->element_count, 5);
}

TEST_F(ArrayTest, MultiDimensionalArraysGetRowMajorStrides) {
    struct {
        void* elements;
        int32_t dims[3];
    } grid = {nullptr, {3, 4, 5}};
    ASSERT_NE(Array_AllocMulti(3, 2, 0, nullptr, &grid), nullptr);
    EXPECT_EQ(Array_Header(grid.elements)->element_count, 60);
    EXPECT_EQ(Array_Header(grid.elements)->dimension_count, 3);
    EXPECT_EQ(grid.dims[0], 20);
    EXPECT_EQ(grid.dims[1], 5);
    EXPECT_EQ(grid.dims[2], 1);

    struct {
        void* elements;
        int32_t dims[1];
    } line = {nullptr, {7}};
    ASSERT_NE(Array_AllocMulti(1, 4, 0, nullptr, &line), nullptr);
    EXPECT_EQ(Array_Header(line.elements)->element_count, 7);
    EXPECT_EQ(line.dims[0], 1);
    Array_Free(grid.elements);
    EXPECT_EQ(grid.elements, nullptr);
}

TEST_F(ArrayTest, CopyWithReallocationTransfersCountAndStrides) {
    struct Grid {
        void* elements;
        int32_t dims[2];
    };
    Grid source = {nullptr, {3, 4}};
    Grid target = {nullptr, {1, 1}};
    auto* from = static_cast<int32_t*>(Array_AllocMulti(2, 4, 0, nullptr, &source));
    ASSERT_NE(Array_AllocMulti(2, 4, 0, nullptr, &target), nullptr);
    for (int i = 0; i < 12; ++i)
        from[i] = i * 7;
    EXPECT_EQ(Array_Copy(source.elements, target.elements, 1), 1);
    EXPECT_EQ(Array_Header(target.elements)->element_count, 12);
    EXPECT_EQ(Array_Header(target.elements)->dimension_count, 2);
    EXPECT_EQ(target.dims[0], 4);
    EXPECT_EQ(target.dims[1], 1);
    EXPECT_EQ(memcmp(target.elements, source.elements, 48), 0);
}

TEST_F(ArrayTest, CopyRefusesMismatchedShapes) {
    void* one = nullptr;
    void* small = nullptr;
    struct {
        void* elements;
        int32_t dims[2];
    } grid = {nullptr, {2, 2}}, other = {nullptr, {3, 3}};
    ASSERT_NE(Array_Alloc(4, 4, 0, nullptr, &one), nullptr);
    ASSERT_NE(Array_Alloc(4, 2, 0, nullptr, &small), nullptr);
    ASSERT_NE(Array_AllocMulti(2, 4, 0, nullptr, &grid), nullptr);
    ASSERT_NE(Array_AllocMulti(2, 4, 0, nullptr, &other), nullptr);
    static_cast<int32_t*>(small)[0] = 42;

    EXPECT_EQ(Array_Copy(one, grid.elements, 0), 0);  // dimension counts differ
    EXPECT_EQ(Array_Copy(one, small, 0), 0);          // element counts differ
    EXPECT_EQ(static_cast<int32_t*>(small)[0], 42);
    // Element counts differ after the strides went across.
    EXPECT_EQ(Array_Copy(grid.elements, other.elements, 0), 0);
    EXPECT_EQ(other.dims[0], 2);
    EXPECT_EQ(Array_Copy(nullptr, one, 1), 0);
    EXPECT_EQ(Array_Copy(one, nullptr, 1), 0);
    EXPECT_EQ(Array_Copy(one, one, 1), 1);  // onto itself: nothing happens
    EXPECT_NE(one, nullptr);

    void* wide = nullptr;
    ASSERT_NE(Array_Alloc(8, 4, 0, nullptr, &wide), nullptr);
    EXPECT_EQ(Array_Copy(wide, one, 0), 0);  // would overrun the narrower elements
}

TEST_F(ArrayTest, ReallocatingCopyNeedsTheTargetsVariable) {
    void* source = nullptr;
    auto* from = static_cast<int32_t*>(Array_Alloc(4, 3, 9, nullptr, &source));
    ASSERT_NE(from, nullptr);
    from[0] = 11;
    // A target made without a variable: a fresh array would be stored nowhere.
    auto* loose = static_cast<int32_t*>(Array_Alloc(4, 1, 0, nullptr, nullptr));
    ASSERT_NE(loose, nullptr);
    loose[0] = 5;
    // A target whose variable has since been given another array.
    void* variable = nullptr;
    auto* left = static_cast<int32_t*>(Array_Alloc(4, 2, 0, nullptr, &variable));
    ASSERT_NE(left, nullptr);
    left[0] = 6;
    void* taken_over = Array_Alloc(4, 2, 0, nullptr, nullptr);
    ASSERT_NE(taken_over, nullptr);
    variable = taken_over;

    size_t blocks = RuntimeBlocks();
    EXPECT_EQ(Array_Copy(source, loose, 1), 0);
    EXPECT_EQ(Array_Copy(source, left, 1), 0);
    EXPECT_EQ(RuntimeBlocks(), blocks);
    EXPECT_EQ(loose[0], 5);
    EXPECT_EQ(Array_Header(loose)->element_count, 1);
    EXPECT_EQ(left[0], 6);
    EXPECT_EQ(variable, taken_over);
    EXPECT_EQ(source, from);
    EXPECT_EQ(from[0], 11);
    // Without reallocation such targets take a copy of the same shape as usual.
    void* same = Array_Alloc(4, 3, 0, nullptr, nullptr);
    ASSERT_EQ(Array_Copy(source, same, 0), 1);
    EXPECT_EQ(static_cast<int32_t*>(same)[0], 11);
    for (void* a : std::initializer_list<void*>{loose, left, taken_over, same})
        Array_Free(a);
}

TEST_F(ArrayTest, BadSizesFailAndChangeNothing) {
    void* array = nullptr;
    void* kept = Array_Alloc(4, 3, 0, nullptr, &array);
    ASSERT_NE(kept, nullptr);
    size_t blocks = RuntimeBlocks();
    EXPECT_EQ(Array_Alloc(0x10000, 0x10000, 0, nullptr, &array), nullptr);
    EXPECT_EQ(Array_Alloc(0x7FFFFFFF, 0x7FFFFFFF, 0, nullptr, &array), nullptr);
    EXPECT_EQ(Array_Alloc(1, 0x7FFFFFFF, 0, nullptr, &array), nullptr);  // header does not fit
    EXPECT_EQ(Array_Alloc(-4, 3, 0, nullptr, &array), nullptr);
    EXPECT_EQ(Array_Alloc(4, -3, 0, nullptr, &array), nullptr);
    EXPECT_EQ(array, kept);
    EXPECT_EQ(RuntimeBlocks(), blocks);

    struct {
        void* elements;
        int32_t dims[3];
    } grid = {nullptr, {0x1000, 0x1000, 0x1000}};
    EXPECT_EQ(Array_AllocMulti(3, 1, 0, nullptr, &grid), nullptr);
    EXPECT_EQ(grid.dims[0], 0x1000);  // untouched
    EXPECT_EQ(grid.dims[2], 0x1000);
    grid.dims[1] = -1;
    EXPECT_EQ(Array_AllocMulti(3, 1, 0, nullptr, &grid), nullptr);
    EXPECT_EQ(Array_AllocMulti(0, 1, 0, nullptr, &grid), nullptr);
    EXPECT_EQ(Array_AllocMulti(1, 1, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(RuntimeBlocks(), blocks);
}

TEST_F(StructTest, NeedsInitLooksForContainersInsideEmbeddedRecords) {
    const LayoutWord strings_only[] = {0, 8, LAYOUT_END};
    const LayoutWord with_map[] = {LAYOUT_MAP, 0, 4, 0, 0, 16, LAYOUT_END};
    const LayoutWord embeds_map[] = {0, LAYOUT_STRUCT, 8, 16, (LayoutWord)with_map, LAYOUT_END};
    const LayoutWord array_of_embeds[] = {LAYOUT_STRUCT_ARRAY,    3,         0, 16,
                                          (LayoutWord)embeds_map, LAYOUT_END};
    const LayoutWord embeds_strings[] = {LAYOUT_STRUCT, 0, 16, (LayoutWord)strings_only,
                                         LAYOUT_END};
    EXPECT_EQ(Struct_NeedsInit(nullptr), 0);
    EXPECT_EQ(Struct_NeedsInit(strings_only), 0);
    EXPECT_EQ(Struct_NeedsInit(embeds_strings), 0);
    EXPECT_EQ(Struct_NeedsInit(with_map), 1);
    EXPECT_EQ(Struct_NeedsInit(embeds_map), 1);
    EXPECT_EQ(Struct_NeedsInit(array_of_embeds), 1);
    const LayoutWord multi[] = {LAYOUT_ARRAY_MULTI, 0, 2, 4, 0, 0, 3, 3, LAYOUT_END};
    EXPECT_EQ(Struct_NeedsInit(multi), 1);
}

TEST_F(StructTest, CopyingAnEmptyStringReleasesTheTargetsString) {
    size_t strings = StringBlocks();
    Named source = {nullptr, 1};
    Named target = {Dup("old"), 2};
    Struct_Copy(&target, sizeof(Named), kNamedLayout, &source);
    EXPECT_EQ(target.name, nullptr);
    EXPECT_EQ(target.value, 1);
    EXPECT_EQ(StringBlocks(), strings);
}

TEST_F(StructTest, CopyOntoItselfChangesNothing) {
    Named record = {Dup("same"), 5};
    char* name = record.name;
    Struct_Copy(&record, sizeof(Named), kNamedLayout, &record);
    EXPECT_EQ(record.name, name);
    EXPECT_STREQ(record.name, "same");
    Struct_Free(&record, kNamedLayout);
}

// A record with every kind of managed field, nested: strings inside arrays inside maps.
struct Leaf {
    char* label;
    int32_t weight;
};
const LayoutWord kLeafLayout[] = {offsetof(Leaf, label), LAYOUT_END};

struct Branch {
    int32_t id;
    char* title;
    void* leaves;  // array of Leaf
};
const LayoutWord kBranchLayout[] = {
    offsetof(Branch, title), LAYOUT_ARRAY, offsetof(Branch, leaves), sizeof(Leaf), 2, 7,
    (LayoutWord)kLeafLayout, LAYOUT_END};

struct Grid2 {
    void* elements;
    int32_t strides[2];
};

struct Tree {
    int32_t tag;
    char* name;
    int32_t plain[3];
    Leaf pair[2];
    Leaf single;
    StringMap* branches;  // map of Branch
    Grid2 grid;           // 2 x 3 of int32
    double tail;
};
const LayoutWord kTreeLayout[] = {offsetof(Tree, name),
                                  LAYOUT_STRUCT_ARRAY,
                                  2,
                                  offsetof(Tree, pair),
                                  sizeof(Leaf),
                                  (LayoutWord)kLeafLayout,
                                  LAYOUT_STRUCT,
                                  offsetof(Tree, single),
                                  sizeof(Leaf),
                                  (LayoutWord)kLeafLayout,
                                  LAYOUT_MAP,
                                  offsetof(Tree, branches),
                                  sizeof(Branch),
                                  3,
                                  (LayoutWord)kBranchLayout,
                                  64,
                                  LAYOUT_ARRAY_MULTI,
                                  offsetof(Tree, grid),
                                  2,
                                  sizeof(int32_t),
                                  21,
                                  0,
                                  2,
                                  3,
                                  LAYOUT_END};

void FillTree(Tree* tree) {
    tree->tag = 11;
    tree->name = Dup("oak");
    tree->plain[0] = 1, tree->plain[1] = 2, tree->plain[2] = 3;
    tree->pair[0].label = Dup("left");
    tree->pair[1].weight = 4;
    tree->single.label = Dup("one");
    tree->tail = 2.5;
    for (int b = 0; b < 3; ++b) {
        char key[16];
        snprintf(key, sizeof key, "b%d", b);
        auto* branch = static_cast<Branch*>(Map_Add(tree->branches, key, 0));
        branch->id = b;
        branch->title = Dup(key);
        auto* leaves = static_cast<Leaf*>(branch->leaves);
        leaves[0].label = Dup("leaf0");
        leaves[1].label = Dup("leaf1");
        leaves[1].weight = b * 10;
    }
    static_cast<int32_t*>(tree->grid.elements)[5] = 99;
}

TEST_F(StructTest, DeepCopyOfNestedRecordsSharesNothingAndLeaksNothing) {
    size_t strings = StringBlocks();
    size_t blocks = RuntimeBlocks();
    Tree source{}, target{};
    Struct_Init(&source, kTreeLayout);
    Struct_Init(&target, kTreeLayout);
    ASSERT_NE(source.branches, nullptr);
    ASSERT_NE(source.grid.elements, nullptr);
    EXPECT_EQ(source.grid.strides[0], 3);
    FillTree(&source);
    target.name = Dup("stale");  // replaced by the copy

    Struct_Copy(&target, sizeof(Tree), kTreeLayout, &source);
    EXPECT_EQ(target.tag, 11);
    EXPECT_EQ(target.plain[2], 3);
    EXPECT_EQ(target.tail, 2.5);
    EXPECT_EQ(target.pair[1].weight, 4);
    ASSERT_NE(target.name, source.name);
    EXPECT_STREQ(target.name, "oak");
    EXPECT_NE(target.pair[0].label, source.pair[0].label);
    EXPECT_STREQ(target.pair[0].label, "left");
    EXPECT_EQ(target.pair[1].label, nullptr);
    EXPECT_STREQ(target.single.label, "one");
    ASSERT_NE(target.branches, source.branches);
    EXPECT_EQ(target.branches->element_count, 3);
    EXPECT_EQ(target.branches->bucket_count, 64);
    EXPECT_EQ(target.branches->type_code, 3);
    ASSERT_NE(target.grid.elements, source.grid.elements);
    EXPECT_EQ(target.grid.strides[0], 3);
    EXPECT_EQ(target.grid.strides[1], 1);
    EXPECT_EQ(static_cast<int32_t*>(target.grid.elements)[5], 99);
    EXPECT_EQ(Array_Header(target.grid.elements)->dimension_count, 2);

    auto* b1 = static_cast<Branch*>(Map_Find(target.branches, "b1"));
    auto* s1 = static_cast<Branch*>(Map_Find(source.branches, "b1"));
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1->id, 1);
    EXPECT_NE(b1->title, s1->title);
    EXPECT_STREQ(b1->title, "b1");
    ASSERT_NE(b1->leaves, s1->leaves);
    auto* leaves = static_cast<Leaf*>(b1->leaves);
    EXPECT_NE(leaves[1].label, static_cast<Leaf*>(s1->leaves)[1].label);
    EXPECT_STREQ(leaves[1].label, "leaf1");
    EXPECT_EQ(leaves[1].weight, 10);
    EXPECT_EQ(Array_Header(b1->leaves)->variable, &b1->leaves);

    // Changing the copy leaves the source alone.
    leaves[1].label[0] = 'X';
    EXPECT_STREQ(static_cast<Leaf*>(s1->leaves)[1].label, "leaf1");

    // Copying again over a full target releases what it held.
    size_t strings_with_both = StringBlocks();
    size_t blocks_with_both = RuntimeBlocks();
    Struct_Copy(&target, sizeof(Tree), kTreeLayout, &source);
    EXPECT_EQ(StringBlocks(), strings_with_both);
    EXPECT_EQ(RuntimeBlocks(), blocks_with_both);

    Struct_Free(&target, kTreeLayout);
    Struct_Free(&source, kTreeLayout);
    EXPECT_EQ(source.branches, nullptr);  // the map's owner variable is cleared
    EXPECT_EQ(source.grid.elements, nullptr);
    EXPECT_EQ(StringBlocks(), strings);
    EXPECT_EQ(RuntimeBlocks(), blocks);
}

TEST_F(StructTest, ArrayOfRecordsCopiesElementByElement) {
    void* from = nullptr;
    void* to = nullptr;
    auto* a = static_cast<Named*>(Array_Alloc(sizeof(Named), 2, 0, kNamedLayout, &from));
    a[0].name = Dup("first");
    a[1].value = 8;
    ASSERT_NE(Array_Alloc(sizeof(Named), 1, 0, kNamedLayout, &to), nullptr);
    ASSERT_EQ(Array_Copy(from, to, 1), 1);
    auto* b = static_cast<Named*>(to);
    EXPECT_NE(b[0].name, a[0].name);
    EXPECT_STREQ(b[0].name, "first");
    EXPECT_EQ(b[1].value, 8);
    size_t strings = StringBlocks();
    Array_Free(to);
    EXPECT_EQ(to, nullptr);
    EXPECT_EQ(StringBlocks(), strings - 1);
}

}  // namespace
