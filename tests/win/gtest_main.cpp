#include <windows.h>

#include <gtest/gtest.h>

// -municode makes wmain the entry point of every Windows program here.
int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
