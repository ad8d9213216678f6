// The decoder with a file copy whose allocation is forced to fail.
#include "drawing/bmp_decoder.h"

#include <gtest/gtest.h>
#include <zorvane_test/kernel32.h>

#include <cstdint>
#include <vector>

#include "../runtime/heap_walk.h"
#include "bmp_test_support.h"
#include "runtime/heaps.h"

namespace {

TEST_F(BmpDecoderTest, FileInputRejectionsGiveTheCopyBack) {
    std::vector<uint8_t> file = MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0});
    std::vector<uint8_t> wrong = file;
    wrong[0] = 'X';
    std::vector<uint8_t> reserved = file;
    reserved[8] = 1;
    for (const auto& bytes :
         {wrong, reserved, std::vector<uint8_t>(file.begin(), file.begin() + 13),
          std::vector<uint8_t>(file.begin(), file.begin() + 29), std::vector<uint8_t>{}}) {
        TempFile temp(bytes);
        ImageDecodeRequest request{};
        request.file = temp.file;
        EXPECT_EQ(Bmp_Check(&request), 0) << bytes.size();
        EXPECT_EQ(request.owned_data, nullptr);
    }
    // No heap to copy into.
    Runtime_DestroyHeap();
    TempFile temp(file);
    ImageDecodeRequest request{};
    request.file = temp.file;
    EXPECT_EQ(Bmp_Check(&request), 0);
    ASSERT_NE(Runtime_CreateHeap(), nullptr);
    before_ = HeapBlocks(RuntimeHeap);
    // A failed allocation.
    zv_test::Kernel32Reset reset;
    zv_test::FailAllocationsAfter(0, RuntimeHeap);
    EXPECT_EQ(Bmp_Check(&request), 0);
    EXPECT_EQ(request.owned_data, nullptr);
}

}  // namespace
