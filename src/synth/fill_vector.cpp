// The vector fills: the reference mix (mix.cpp) for several frames at
// once, with the same samples to the bit.
//
// How it works
// - Phases. A tone's phase is a chain of roundings (add the step, compare
//   strictly greater than 2 pi, subtract 2 pi once) that cannot be split
//   across frames, so the twenty chains run side by side with tones as
//   lanes and exactly those operations. Each W frames of them are turned by
//   a W x W transpose into rows, one tone over W frames, in a block of
//   block_frames frames on the stack. The chains make the next block while
//   this one is mixed, their steps spread among its sines.
// - Mix. Frames as lanes: for each tone in the reference's order the sines
//   of W frames (vector_sine, below), times the amplitude, added in the
//   reference's order: tones 0..9 from 0.0, rounded; tone 10, the rounded
//   partial, tones 11..19; rounded, held within 16 bits. No multiply and
//   add are fused (the build forbids contraction and no path uses FMA).
// - Exactness. The sums differ from the reference's only through the sines,
//   by less than the guard (see guard_per_amplitude), so a sum farther than
//   the guard from a half-integer rounds as the reference's does. A frame
//   whose first-stage or final sum lies within the guard is mixed again by
//   the reference (detail::mix_frame) from the same phases. Tones outside
//   the range this holds for (half_minus_guard) are left to the reference.
// - Paths. One kernel, instantiated for 2, 4 and 8 lanes in functions with
//   the target attributes sse2, avx2 and avx512f; the path is chosen once,
//   at the first fill (fill_path.cpp), and handed in by fill_buffer.
// - Stack. The kernels keep vectors of 32 and 64 bytes on the stack, which
//   64-bit Windows aligns to 16 bytes only; the Windows builds assemble this
//   file with every aligned vector move written as an unaligned one
//   (src/CMakeLists.txt), so no path relies on the compiler aligning them.
#include "synth/fill_vector.h"

#include "synth/mix.h"
#include "synth/synth.h" // two_pi, no calls

#include <cfenv>
#include <cmath>
#include <cstring>
#include <utility>

namespace tonegen {

namespace {

#if TONEGEN_VECTOR_FILL

// The helpers pass vectors wider than the baseline by value; they are always
// inlined into the functions that carry the target, so no call ever passes
// one and the compiler's note on the calling convention does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
#define TONEGEN_INLINE [[gnu::always_inline]] inline

template <int W> struct Lanes;
template <> struct Lanes<2> {
    typedef double D __attribute__((vector_size(16)));
};
template <> struct Lanes<4> {
    typedef double D __attribute__((vector_size(32)));
};
template <> struct Lanes<8> {
    typedef double D __attribute__((vector_size(64)));
};
template <int W> using D = typename Lanes<W>::D;
// Lane masks and raw bits: 64-bit signed integers, as vector comparisons give.
template <int W> using I = decltype(D<W>{} < D<W>{});

template <int W> TONEGEN_INLINE D<W> splat(double x)
{
    D<W> v = {};
#pragma GCC unroll 8
    for (int i = 0; i < W; ++i)
        v[i] = x;
    return v;
}

template <int W> TONEGEN_INLINE D<W> load(const double* p)
{
    D<W> v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <int W, typename V> TONEGEN_INLINE void store(void* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

// 1.5 * 2^52: x + magic - magic is x rounded to an integer, ties to even,
// for |x| < 2^51 under the default rounding mode, and the low bits of
// x + magic hold that integer in two's complement.
constexpr double magic = 0x1.8p52;

// The vector sine, for |x| <= 8 (the fills use 0..2 pi).
//
// x = n pi + r with n = round(x / pi), so sin x = (-1)^n sin r with
// |r| <= pi/2; sin r = r + r U(r^2) with U of degree 7: the Taylor
// polynomial to r^21 with its r^21, r^19 and r^17 terms traded for lower
// ones by Chebyshev economisation on |r| <= R.
//
// Error bound, u = 2^-53, R = 1.5708 > pi/2 + 1e-15 (the computed n is off
// from x / pi by at most 0.5 + 2u |x / pi|, so |r| <= R):
// - Reduction: pi = pi_high + pi_low + e with pi_high of 33 bits and
//   |e| < 1e-26. n pi_high is exact (n <= 3) and so is x - n pi_high
//   (Sterbenz: x lies within [n pi_high / 2, 2 n pi_high]); n pi_low rounds
//   by < 1e-25 and the last subtraction by u R: |r - (x - n pi)| < 1.75e-16.
// - Polynomial: the Taylor remainder is below R^23 / 23! < 1.3e-18 (the
//   series alternates with falling terms for r^2 < 6); trading the r^n term
//   c_n r^n for c_n r^n - c_n R^n T_n(r / R) / 2^(n-1), of lower degree,
//   moves the polynomial by at most |c_n| R^n / 2^(n-1): < 9.0e-17 for
//   n = 21, 19 and 17 together. In all < 9.1e-17.
// - Evaluation: rounding each coefficient (u), z = r^2 and its powers (up
//   to 7u), the seven Horner steps of U (2u each) and r U (u) leave a
//   relative error of at most gamma_23 = 23u / (1 - 23u) on every term of
//   r U, whose magnitudes add up to less than 0.7306 (sinh R - R): < 1.87e-15.
// - The final r + r U rounds by at most u |sin| <= 1.12e-16.
// In all |vector_sine(x) - sin x| < 2.25e-15 < 2^-48
// (detail::vector_sine_error_bound); the tests measure it.
constexpr double inv_pi = 0x1.45f306dc9c883p-2;
constexpr double pi_high = 0x1.921fb544p+1;
constexpr double pi_low = 0x1.0b4611a626331p-33;
// The coefficients of U: of r (less the 1 of the leading r), r^3, ..., r^15.
constexpr double sine_terms[] = {
    -0x1.179d396b3f9f4p-50, -0x1.55555555552adp-3,  0x1.1111111101fabp-7, -0x1.a01a01967c02fp-13,
    0x1.71de3714e8ac2p-19,  -0x1.ae6316ea43d61p-26, 0x1.60de6ce4686e3p-33, -0x1.9e329805dae3ep-41,
};
constexpr int sine_term_count = sizeof sine_terms / sizeof sine_terms[0];

template <int W> TONEGEN_INLINE D<W> vector_sine(const D<W>& x)
{
    const D<W> shifted = x * splat<W>(inv_pi) + splat<W>(magic);
    const D<W> n = shifted - splat<W>(magic);
    const D<W> r = (x - n * splat<W>(pi_high)) - n * splat<W>(pi_low);
    const D<W> z = r * r;
    D<W> u = splat<W>(sine_terms[sine_term_count - 1]);
#pragma GCC unroll 8
    for (int k = sine_term_count - 2; k >= 0; --k)
        u = u * z + splat<W>(sine_terms[k]);
    const D<W> s = r + r * u;
    const I<W> odd = __builtin_bit_cast(I<W>, shifted) << 63;
    return __builtin_bit_cast(D<W>, __builtin_bit_cast(I<W>, s) ^ odd);
}

// One step of the transpose: lanes of a and b interleaved in pairs of
// blocks of h lanes (the indices count b's lanes after a's).
template <int W, int H, std::size_t... E>
TONEGEN_INLINE D<W> interleave_low(D<W> a, D<W> b, std::index_sequence<E...>)
{
    return __builtin_shufflevector(a, b, ((E & H) ? E - H + W : E)...);
}

template <int W, int H, std::size_t... E>
TONEGEN_INLINE D<W> interleave_high(D<W> a, D<W> b, std::index_sequence<E...>)
{
    return __builtin_shufflevector(a, b, ((E & H) ? E + W : E + H)...);
}

template <int W, int H> TONEGEN_INLINE void transpose_step(D<W> (&rows)[W])
{
    if constexpr (H < W) {
#pragma GCC unroll 8
        for (int i = 0; i < W; ++i) {
            if (i & H)
                continue;
            const D<W> a = rows[i];
            const D<W> b = rows[i + H];
            rows[i] = interleave_low<W, H>(a, b, std::make_index_sequence<W>{});
            rows[i + H] = interleave_high<W, H>(a, b, std::make_index_sequence<W>{});
        }
        transpose_step<W, 2 * H>(rows);
    }
}

// rows[i] holds lane j of frame i; afterwards rows[j] holds frame i in lane i.
template <int W> TONEGEN_INLINE void transpose(D<W> (&rows)[W])
{
    transpose_step<W, 1>(rows);
}

// Frames per block. Two blocks of phase rows (24 x 64 doubles each) stay in
// the first-level cache: one being mixed while the next is advanced.
constexpr int block_frames = 64;
constexpr int row_count = 24;
constexpr int block_doubles = row_count * block_frames;

// How far a sum lies from the integer it rounds to (exact: both are close
// multiples of the sum's last place); 0.5 for a tie.
template <int W> TONEGEN_INLINE D<W> distance(const D<W>& sum, const D<W>& rounded)
{
    const I<W> magnitude = __builtin_bit_cast(I<W>, sum - rounded) & INT64_MAX;
    return __builtin_bit_cast(D<W>, magnitude);
}

// One chain step for every tone vector: the phases of one frame go into
// `frame_phases`, and after the last of W frames they are transposed and
// stored as rows at column j.
template <int W, int V>
TONEGEN_INLINE void chain_step(int q, D<W> (&phase)[V], const D<W> (&step)[V], D<W> (&frame_phases)[W],
                               double* rows, std::int64_t j)
{
    const int v = q / W;
    const int i = q % W;
    D<W> p = phase[v];
    frame_phases[i] = p;
    // The reference's step: add, and take 2 pi off once when strictly above it.
    p = p + step[v];
    phase[v] = p > splat<W>(two_pi) ? p - splat<W>(two_pi) : p;
    if (i == W - 1) {
        transpose<W>(frame_phases);
#pragma GCC unroll 8
        for (int t = 0; t < W; ++t) {
            if (v * W + t < tone_slots) // the rows past the last tone are never read
                store<W>(rows + (v * W + t) * block_frames + j, frame_phases[t]);
        }
    }
}

// The samples of frames j..j+W-1 of a block, as the low 16 bits of each
// lane stored at sample_bits + j, and the larger of their two distances
// from the integers they round to, at offs + j. With Advance, the tone
// chains make the same W frames of the next block meanwhile: their steps
// depend on one another, the sines do not, so spreading the steps among
// the sines keeps the processor busy while each step waits for the last.
template <int W, int V, bool Advance>
TONEGEN_INLINE void mix(const double* rows, std::int64_t j, const D<W> (&amplitude)[tone_slots], D<W> (&phase)[V],
                        const D<W> (&step)[V], double* next_rows, std::int64_t* sample_bits, double* offs,
                        D<W>& worst)
{
    constexpr int steps = V * W;
    static_assert(steps <= 2 * tone_slots);
    const D<W> magic_v = splat<W>(magic);
    const double* const at = rows + j;
    D<W> frame_phases[W];
    D<W> low = D<W>{};
    D<W> partial = D<W>{};
    D<W> first_off = D<W>{};
    D<W> sum = D<W>{};
#pragma GCC unroll 20
    for (int k = 0; k < tone_slots; ++k) {
        const D<W> term = vector_sine<W>(load<W>(at + k * block_frames)) * amplitude[k];
        // The reference's order: tones 0..9 from 0.0, rounded; then tone 10,
        // the rounded partial, tones 11..19.
        if (k < 10) {
            low = low + term;
        } else if (k == 10) {
            sum = term + partial;
        } else {
            sum = sum + term;
        }
        if (k == 9) {
            partial = (low + magic_v) - magic_v;
            first_off = distance<W>(low, partial);
        }
        if (Advance) {
            // Steps k * steps / 20 up to (not including) (k + 1) * steps / 20: one or two.
            const int first = k * steps / tone_slots;
            const int end = (k + 1) * steps / tone_slots;
            if (first < end)
                chain_step<W, V>(first, phase, step, frame_phases, next_rows, j);
            if (first + 1 < end)
                chain_step<W, V>(first + 1, phase, step, frame_phases, next_rows, j);
        }
    }
    D<W> sample = (sum + magic_v) - magic_v;
    const D<W> final_off = distance<W>(sum, sample);
    const D<W> off = first_off > final_off ? first_off : final_off;

    // The one step past full scale the two roundings can make is held at the rail.
    sample = sample > splat<W>(32767.0) ? splat<W>(32767.0) : sample;
    sample = sample < splat<W>(-32768.0) ? splat<W>(-32768.0) : sample;
    store<W>(sample_bits + j, __builtin_bit_cast(I<W>, sample + magic_v));
    store<W>(offs + j, off);
    worst = worst > off ? worst : off;
}

template <int W>
TONEGEN_INLINE std::int64_t fill_frames(Tone* tones, unsigned char* out, std::int64_t frames, double half_minus_guard)
{
    constexpr int vectors = (tone_slots + W - 1) / W;
    static_assert(vectors * W <= row_count && block_frames % W == 0);
    frames -= frames % W;
    if (frames <= 0)
        return 0;

    unsigned char storage[2 * block_doubles * sizeof(double) + 64];
    double* const blocks = reinterpret_cast<double*>(storage + (64 - reinterpret_cast<std::uintptr_t>(storage) % 64));
    std::int64_t sample_bits[block_frames];
    double offs[block_frames];

    D<W> phase[vectors];
    D<W> step[vectors];
    for (int v = 0; v < vectors; ++v) {
        phase[v] = D<W>{};
        step[v] = D<W>{};
        for (int i = 0; i < W && v * W + i < tone_slots; ++i) {
            phase[v][i] = tones[v * W + i].phase;
            step[v][i] = tones[v * W + i].phase_step;
        }
    }
    D<W> amplitude[tone_slots];
    for (int k = 0; k < tone_slots; ++k)
        amplitude[k] = splat<W>(static_cast<double>(tones[k].amplitude));

    std::int64_t count = frames < block_frames ? frames : block_frames;
    for (std::int64_t j = 0; j < count; j += W) {
        D<W> frame_phases[W];
        for (int q = 0; q < vectors * W; ++q)
            chain_step<W, vectors>(q, phase, step, frame_phases, blocks, j);
    }

    const double* rows = blocks;
    for (std::int64_t start = 0;;) {
        const std::int64_t rest = frames - start - count;
        const std::int64_t next_count = rest < block_frames ? rest : block_frames;
        double* const next_rows = rows == blocks ? blocks + block_doubles : blocks;
        D<W> worst = D<W>{};
        for (std::int64_t j = 0; j < count; j += W) {
            if (j < next_count)
                mix<W, vectors, true>(rows, j, amplitude, phase, step, next_rows, sample_bits, offs, worst);
            else
                mix<W, vectors, false>(rows, j, amplitude, phase, step, next_rows, sample_bits, offs, worst);
        }

        // Frames within the guard of a half-integer: the reference mixes them.
        double block_worst = 0.0;
        for (int i = 0; i < W; ++i)
            block_worst = block_worst > worst[i] ? block_worst : worst[i];
        if (block_worst >= half_minus_guard) {
            for (std::int64_t j = 0; j < count; ++j) {
                if (offs[j] >= half_minus_guard)
                    sample_bits[j] = static_cast<std::uint16_t>(detail::mix_frame(tones, rows + j, block_frames));
            }
        }

        unsigned char* const o = out + 2 * start;
        for (std::int64_t j = 0; j < count; ++j) {
            o[2 * j] = static_cast<unsigned char>(sample_bits[j] & 0xFF);
            o[2 * j + 1] = static_cast<unsigned char>((sample_bits[j] >> 8) & 0xFF);
        }

        if (next_count <= 0)
            break;
        start += count;
        count = next_count;
        rows = next_rows;
    }

    detail::keep_sample_values(tones, rows + count - 1, block_frames);
    for (int v = 0; v < vectors; ++v) {
        for (int i = 0; i < W && v * W + i < tone_slots; ++i)
            tones[v * W + i].phase = phase[v][i];
    }
    return frames;
}

template <int W> TONEGEN_INLINE void sines(const double* x, double* y, std::size_t n)
{
    std::size_t i = 0;
    for (; i + W <= n; i += W)
        store<W>(y + i, vector_sine<W>(load<W>(x + i)));
    if (i < n) {
        double in[W] = {};
        double result[W];
        std::memcpy(in, x + i, (n - i) * sizeof(double));
        store<W>(result, vector_sine<W>(load<W>(in)));
        std::memcpy(y + i, result, (n - i) * sizeof(double));
    }
}

[[gnu::target("sse2")]] std::int64_t fill_sse2(Tone* t, unsigned char* out, std::int64_t frames, double h)
{
    return fill_frames<2>(t, out, frames, h);
}
[[gnu::target("avx2")]] std::int64_t fill_avx2(Tone* t, unsigned char* out, std::int64_t frames, double h)
{
    return fill_frames<4>(t, out, frames, h);
}
[[gnu::target("avx512f")]] std::int64_t fill_avx512(Tone* t, unsigned char* out, std::int64_t frames, double h)
{
    return fill_frames<8>(t, out, frames, h);
}
[[gnu::target("sse2")]] void sines_sse2(const double* x, double* y, std::size_t n)
{
    sines<2>(x, y, n);
}
[[gnu::target("avx2")]] void sines_avx2(const double* x, double* y, std::size_t n)
{
    sines<4>(x, y, n);
}
[[gnu::target("avx512f")]] void sines_avx512(const double* x, double* y, std::size_t n)
{
    sines<8>(x, y, n);
}

#endif // TONEGEN_VECTOR_FILL

// How far the two mixes of a frame can drift apart, per unit of the sum of
// |amplitude|. A sum's inputs are the sines, each within
// vector_sine_error_bound (2^-48) of the sine on the vector side and taken
// to be within 2^-50 (a C library sine within a few ulp) on the reference
// side; each side's products and up to twenty additions (the partial being
// the same integer on both once the first stage is vouched for) stray from
// the exact sum by at most gamma_21 < 2.4e-15 of the sum of the magnitudes
// they add, which is at most three times the amplitudes' sum. So the two
// sums differ by less than (2^-48 + 2^-50 + 2 * 3 * 2.4e-15) < 2^-46 per
// unit, and the guard is 64 times that.
constexpr double guard_per_amplitude = 0x1p-40;

// The largest sum of |amplitude| the vector fill takes: sums stay far below
// 2^51, where rounding by `magic` stops working, and the guard below 2^-20.
constexpr double amplitude_sum_limit = 0x1p20;

// The guard threshold for these tones (0.5 minus the guard), or a negative
// value when the vector fill does not apply to them.
double half_minus_guard(const Tone* tones)
{
    if (std::fegetround() != FE_TONEAREST)
        return -1.0;
    double amplitudes = 0.0;
    for (int k = 0; k < tone_slots; ++k) {
        // Phases in 0..2 pi and steps in 0..2 pi keep every phase of the fill
        // in 0..2 pi, inside the vector sine's domain: a phase above 2 pi
        // after a step is at most 4 pi and loses 2 pi exactly.
        const Tone& t = tones[k];
        if (!(t.phase >= 0.0 && t.phase <= two_pi && t.phase_step >= 0.0 && t.phase_step <= two_pi))
            return -1.0;
        amplitudes += std::fabs(static_cast<double>(t.amplitude));
    }
    if (!(amplitudes <= amplitude_sum_limit))
        return -1.0;
    return 0.5 - amplitudes * guard_per_amplitude;
}

} // namespace

namespace detail {

std::int64_t fill_vector(FillPath path, Tone* tones, unsigned char* out, std::int64_t frames)
{
#if TONEGEN_VECTOR_FILL
    if (path == FillPath::scalar)
        return 0;
    const double h = half_minus_guard(tones);
    if (h < 0.0)
        return 0;
    switch (path) {
    case FillPath::scalar:
        return 0;
    case FillPath::sse2:
        return fill_sse2(tones, out, frames, h);
    case FillPath::avx2:
        return fill_avx2(tones, out, frames, h);
    case FillPath::avx512:
        return fill_avx512(tones, out, frames, h);
    }
#else
    static_cast<void>(path);
    static_cast<void>(tones);
    static_cast<void>(out);
    static_cast<void>(frames);
#endif
    return 0;
}

void vector_sines(FillPath path, const double* x, double* sines, std::size_t n)
{
#if TONEGEN_VECTOR_FILL
    switch (path) {
    case FillPath::scalar:
        return;
    case FillPath::sse2:
        return sines_sse2(x, sines, n);
    case FillPath::avx2:
        return sines_avx2(x, sines, n);
    case FillPath::avx512:
        return sines_avx512(x, sines, n);
    }
#else
    static_cast<void>(path);
    static_cast<void>(x);
    static_cast<void>(sines);
    static_cast<void>(n);
#endif
}

} // namespace detail

} // namespace tonegen
