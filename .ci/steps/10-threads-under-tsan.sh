#!/usr/bin/env bash
# The threaded tests under ThreadSanitizer: posting from many threads while the window
# thread pumps, one-time initialisation, locked pools shared by threads.
set -euo pipefail
export ZORVANE_HOST=headless
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cmake --preset tsan
cmake --build --preset tsan --target user32_tests runtime_tests runtime_controls_tests kernel32_tests
build/tsan/tests/platform/user32/user32_tests --gtest_filter='Threads.*:MessageTest.*'
build/tsan/tests/runtime/runtime_tests --gtest_filter='LockedPoolThreadsTest.*'
build/tsan/tests/runtime/runtime_controls_tests --gtest_filter='OnceThreadsTest.*'
build/tsan/tests/platform/kernel32/kernel32_tests --gtest_filter='CriticalSection.*:InitOnce.*:Tls.*'
