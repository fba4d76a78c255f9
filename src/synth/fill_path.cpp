// The choice of fill path: what the processor has, what the environment
// asks for, what a test or the bench holds. It only names a path;
// fill_buffer hands the name to the vector fills.
#include "synth/fill_path.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace tonegen {

namespace {

FillPath widest_path()
{
    for (FillPath path : {FillPath::avx512, FillPath::avx2, FillPath::sse2}) {
        if (fill_path_supported(path))
            return path;
    }
    return FillPath::scalar;
}

FillPath first_path()
{
    if (const char* name = std::getenv("TONEGEN_FILL_PATH")) {
        for (FillPath path : fill_paths) {
            if (std::strcmp(name, fill_path_name(path)) == 0 && fill_path_supported(path))
                return path;
        }
    }
    return widest_path();
}

FillPath& chosen_path()
{
    static FillPath path = first_path();
    return path;
}

} // namespace

const char* fill_path_name(FillPath path)
{
    switch (path) {
    case FillPath::scalar:
        return "scalar";
    case FillPath::sse2:
        return "sse2";
    case FillPath::avx2:
        return "avx2";
    case FillPath::avx512:
        return "avx512";
    }
    return "unknown";
}

bool fill_path_supported(FillPath path)
{
#if TONEGEN_VECTOR_FILL
    __builtin_cpu_init();
    switch (path) {
    case FillPath::scalar:
        return true;
    case FillPath::sse2:
        return __builtin_cpu_supports("sse2");
    case FillPath::avx2:
        return __builtin_cpu_supports("avx2");
    case FillPath::avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return path == FillPath::scalar;
#endif
}

FillPath fill_path()
{
    return chosen_path();
}

bool set_fill_path(FillPath path)
{
    if (!fill_path_supported(path))
        return false;
    chosen_path() = path;
    return true;
}

} // namespace tonegen
