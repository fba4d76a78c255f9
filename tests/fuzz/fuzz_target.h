// What every fuzz target defines: libFuzzer's entry point. The same file is
// linked either with libFuzzer (a clang build, tests/fuzz/fuzz.sh) or with
// replay_main.cpp, which runs the checked-in seeds as an ordinary test in
// every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A property of the code under test that did not hold: reported and ended
// like a crash, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
