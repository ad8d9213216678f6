// What the end-to-end tests share: checks made inside a child process, and test cases that
// run a scenario in a child process of its own (each run of the program needs a fresh
// process, as the program itself has).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

// A check inside a child process: a failed one reports where and what, and ends the child
// with code 1 through `end_child` (_exit, or ExitProcess where the process ends the
// platform's way).
#define CHECK_IN_CHILD(condition, end_child)                                              \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            end_child(1);                                                                 \
        }                                                                                 \
    } while (0)

// The fixture of the suites whose cases are child-process scenarios: the child starts as
// a fresh run of the test program, not as a fork of a process that has threads.
class ChildProcessTest : public ::testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// A case of `suite` (a ChildProcessTest) that runs `scenario` in a child process and
// passes when the child ends with code 0.
#define CHILD_PROCESS_TEST(suite, name, scenario)                  \
    TEST_F(suite, name) {                                          \
        EXPECT_EXIT(scenario(), ::testing::ExitedWithCode(0), ""); \
    }
