// The main of the test programs that are given paths on their command line.
#include "tests/support/test_main.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/observe.h"

int RunAllTestsWithPaths(int argc, char** argv, const char* usage, std::initializer_list<PathTaker> takers) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 1 + static_cast<int>(takers.size())) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    int next = 1;
    for (PathTaker take : takers) take(WindowsPathOf(argv[next++]));
    return RUN_ALL_TESTS();
}
