#include <gtest/gtest.h>

#include "runtime.h"

namespace {
void fail_in_routine(int error) {
    ROUTINE("Buffer Quiltify", "GFX_QUILTIFY");
    fatal_error(error, 123);
}

constexpr int kBadIndexLine = __LINE__ + 5;  // the line of `a(5) = 1` below
void index_out_of_range() {
    ROUTINE("Paging Module", "RENDER_PAGE");
    Array<int> a;
    a.redim(1, 4);
    a(5) = 1;
}
}  // namespace

TEST(FatalReport, ExactTextAndExitStatusForEachError) {
    EXPECT_EXIT(fail_in_routine(1), ::testing::ExitedWithCode(1),
                "^\nAborting due to runtime error 1 \\(illegal function call\\) at line 123 of "
                "Buffer Quiltify::GFX_QUILTIFY\\(\\)\n\n$");
    EXPECT_EXIT(fail_in_routine(4), ::testing::ExitedWithCode(4), "error 4 \\(out of memory\\) at line 123 of");
    EXPECT_EXIT(fail_in_routine(7), ::testing::ExitedWithCode(7), "error 7 \\(null pointer access\\) at line 123");
    EXPECT_EXIT(fail_in_routine(8), ::testing::ExitedWithCode(8), "error 8 \\(no privileges\\)");
}

TEST(FatalReport, WithoutLineOrRoutine) {
    EXPECT_EXIT(
        {
            ROUTINE("Quiltify", "");
            fatal_error(2, 0);
        },
        ::testing::ExitedWithCode(2), "^\nAborting due to runtime error 2 \\(file not found\\) in Quiltify\\(\\)\n\n$");
    EXPECT_EXIT(fatal_error(40, 9), ::testing::ExitedWithCode(40), "^\nAborting due to runtime error 40 at line 9 of");
}

TEST(FatalReport, CheckedArrayNamesTheLineOfTheBadIndex) {
    const int line = kBadIndexLine;
    EXPECT_EXIT(index_out_of_range(), ::testing::ExitedWithCode(6),
                "error 6 \\(out of bounds array access\\) at line " + std::to_string(line) +
                    " of Paging Module::RENDER_PAGE\\(\\)");
}

TEST(FatalReport, NullBufferAndImpossibleAllocation) {
    EXPECT_EXIT(
        {
            ROUTINE("Scene", "SCENE_RENDER");
            need(static_cast<int*>(nullptr));
        },
        ::testing::ExitedWithCode(7), "null pointer access.* of Scene::SCENE_RENDER");
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's allocator reports a failed new itself
    EXPECT_EXIT(
        {
            struct Megabyte {
                char bytes[1 << 20];
            };
            Array<Megabyte> huge;  // a terabyte: no machine here has it
            huge.redim(0, 1000000);
        },
        ::testing::ExitedWithCode(4), "out of memory");
#endif
    EXPECT_EXIT(
        {
            Array2<double> huger;
            huger.redim(0, INT32_MAX - 1, 0, INT32_MAX - 1);
        },
        ::testing::ExitedWithCode(4), "out of memory");
}

TEST(RoutineScope, RestoresTheCallersNamesOnExit) {
    EXPECT_EXIT(
        {
            ROUTINE("Main", "OUTER");
            { ROUTINE("Scene", "INNER"); }
            fatal_error(1, 5);
        },
        ::testing::ExitedWithCode(1), "of Main::OUTER\\(\\)");
}

TEST(CheckedArray, BoundsGrowAndErase) {
    Array<std::string> a;
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.ubound(), -1);
    a.push_back("x");
    a.push_back("y");
    EXPECT_EQ(a.ubound(), 1);
    EXPECT_EQ(a(1), "y");
    a.redim_preserve(3);
    EXPECT_EQ(a(0), "x");
    EXPECT_EQ(a(3), "");
    a.redim(1, 4);
    EXPECT_EQ(a.lbound(), 1);
    EXPECT_EQ(a(1), "");
    a.erase();
    EXPECT_EQ(a.lbound(), 0);
    EXPECT_EQ(a.ubound(), -1);
}
