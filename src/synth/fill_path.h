// The instruction sets fill_buffer can run on. Every path gives the same
// samples; they differ only in speed.
//
// The widest path the processor has is chosen at the first fill, unless the
// environment variable TONEGEN_FILL_PATH names one (scalar, sse2, avx2,
// avx512) that the processor has. Tests and the bench hold a path with
// set_fill_path. Only the GUI thread fills buffers, so the choice needs no
// lock.
#pragma once

// Whether this build has the vector paths at all: x86 processors only.
#if defined(__x86_64__) || defined(__i386__)
#define TONEGEN_VECTOR_FILL 1
#else
#define TONEGEN_VECTOR_FILL 0
#endif

namespace tonegen {

enum class FillPath {
    scalar, // the reference: one frame at a time with the C library's sine
    sse2,   // two frames at a time
    avx2,   // four
    avx512, // eight (AVX-512F)
};

constexpr FillPath fill_paths[] = {FillPath::scalar, FillPath::sse2, FillPath::avx2, FillPath::avx512};

const char* fill_path_name(FillPath path);

// Whether this processor and its operating system run the path.
bool fill_path_supported(FillPath path);

// The path fill_buffer takes.
FillPath fill_path();

// Holds fill_buffer to `path`; refused (false, nothing changed) when the
// processor lacks it.
bool set_fill_path(FillPath path);

} // namespace tonegen
