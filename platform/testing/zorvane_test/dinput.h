// Test control for DirectInput. Only tests include this.
#pragma once

namespace zv_test {

// Number of DirectInput objects and devices alive.
int LiveDirectInputObjects();

}  // namespace zv_test
