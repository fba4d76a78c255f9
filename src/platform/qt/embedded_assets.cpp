// How it works: the assembler copies each generated file byte for byte into
// the program's read-only data (.incbin), between two symbols that mark its
// start and end; nothing is converted to source text on the way.
#include "platform/qt/embedded_assets.h"

#define TONEGEN_EMBED(name, path)                                                                   \
    asm(".section .rodata\n"                                                                        \
        ".balign 16\n"                                                                              \
        ".global tonegen_" #name "_begin\n"                                                         \
        "tonegen_" #name "_begin:\n"                                                                \
        ".incbin \"" path "\"\n"                                                                    \
        ".global tonegen_" #name "_end\n"                                                           \
        "tonegen_" #name "_end:\n"                                                                  \
        ".previous\n");                                                                             \
    extern "C" const unsigned char tonegen_##name##_begin[];                                        \
    extern "C" const unsigned char tonegen_##name##_end[];

TONEGEN_EMBED(sweep, TONEGEN_SWEEP_WAV)
TONEGEN_EMBED(pink, TONEGEN_PINK_WAV)
TONEGEN_EMBED(about, TONEGEN_ABOUT_BMP)
TONEGEN_EMBED(about_2x, TONEGEN_ABOUT_2X_BMP)

namespace tonegen::qt {

namespace {
std::span<const unsigned char> between(const unsigned char* begin, const unsigned char* end)
{
    return {begin, static_cast<std::size_t>(end - begin)};
}
} // namespace

Assets embedded_assets()
{
    return Assets{between(tonegen_sweep_begin, tonegen_sweep_end), between(tonegen_pink_begin, tonegen_pink_end),
                  between(tonegen_about_begin, tonegen_about_end), between(tonegen_about_2x_begin, tonegen_about_2x_end)};
}

} // namespace tonegen::qt
