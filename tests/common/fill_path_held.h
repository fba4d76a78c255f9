// Holds fill_buffer to one instruction-set path for a scope; names and
// skips the tests of each path.
#pragma once

#include "synth/fill_path.h"

#include <gtest/gtest.h>

#include <string>

namespace tonegen::test {

class FillPathHeld {
public:
    explicit FillPathHeld(FillPath path) : before_(fill_path()), held_(set_fill_path(path)) {}
    ~FillPathHeld() { static_cast<void>(set_fill_path(before_)); }
    FillPathHeld(const FillPathHeld&) = delete;
    FillPathHeld& operator=(const FillPathHeld&) = delete;
    bool held() const { return held_; }

private:
    FillPath before_;
    bool held_;
};

inline std::string fill_path_test_name(const ::testing::TestParamInfo<FillPath>& info)
{
    return fill_path_name(info.param);
}

// Why a test of `path` is skipped on a processor that lacks it.
inline std::string missing_fill_path(FillPath path)
{
    return std::string("this processor has no ") + fill_path_name(path) + " instructions; that path is not tested here";
}

} // namespace tonegen::test
