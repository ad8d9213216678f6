// RuntimeTest for the tests that force allocations to fail or hide entry points: the
// forced failures end with the test that armed them, however it ends.
#pragma once

#include <zorvane_test/kernel32.h>

#include "runtime_test_support.h"

class RuntimeControlsTest : public RuntimeTest {
  protected:
    void TearDown() override {
        zv_test::ClearAllocationFailures();
        RuntimeTest::TearDown();
    }
};
