// The heaps and the drawing library's start-up, once for the whole program.
#include "screen_fixture.h"

namespace {
const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ScreenEnvironment);
}
