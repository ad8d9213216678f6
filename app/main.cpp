// The program's entry: a plain main on every platform (the Windows build links it as a
// GUI program, so no console opens).
#include "app/animation.h"

int main() {
    return Animation_Main();
}
