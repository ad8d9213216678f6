#!/usr/bin/env bash
# The threaded tests under ThreadSanitizer: every test case labelled "threads", which are
# the cases with "Thread" in their names (cmake/ZorvaneTesting.cmake). First a check that
# each test starting a thread is so named, so that none drops out of this step unseen.
set -euo pipefail

unnamed=$(find tests -name '*_test.cpp' -print0 | xargs -0 awk '
  FNR == 1 { name = "" }
  /^TEST(_F|_P)?\(/ { name = $0 }
  /std::thread|std::jthread|std::async|CreateThread/ && name !~ /Thread/ {
    print FILENAME ": " (name == "" ? "(outside a test)" : name)
  }')
if [[ -n "$unnamed" ]]; then
  echo "These tests start threads without \"Thread\" in their names, so TSan would skip them:" >&2
  echo "$unnamed" >&2
  exit 1
fi

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan -L threads
