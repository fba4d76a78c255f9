// tonegen-render on Linux: the render tool over the recordings this build
// carries (the same embedded files as the program's); no Qt, no sound
// server, no display.
#include "app/render.h"
#include "platform/qt/embedded_assets.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return tonegen::run_render(arguments, tonegen::qt::embedded_assets(), ::isatty(STDERR_FILENO) == 1, stdout,
                               stderr);
}
