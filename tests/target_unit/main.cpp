#include <gtest/gtest.h>

#include <float.h>

int main(int argc, char** argv) {
    // As the program itself runs: x87 at 53-bit precision.
    _controlfp(_PC_53, _MCW_PC);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
