// tonegen-render.exe: the render tool as a console program over the
// recordings it carries as resources (render.rc), like tonegen.exe.
#include "app/render.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_assets.h"
#include "platform/win32/win32_console.h"

#include <cstdio>

int main()
{
    // The UTF-16 command line, so that any file name passes.
    return tonegen::run_render(tonegen::win32::command_line_arguments(),
                               tonegen::win32::embedded_assets(::GetModuleHandleA(nullptr)),
                               tonegen::win32::error_is_console(), stdout, stderr);
}
