// Linked into every test program: waits on the headless host cost no real time there.
#include <zorvane_test/host.h>

namespace {

const bool g_virtual_clock = [] {
    zv_test::UseVirtualClock();
    return true;
}();

}  // namespace
