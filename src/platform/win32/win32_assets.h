// The files embedded in tonegen.exe.
//
// How it works: tonegen.rc carries the sweep and pink-noise recordings and
// the About picture as RCDATA resources, byte for byte as the build made
// them. Each is found in the program's own image (FindResource /
// LoadResource / LockResource / SizeofResource); the bytes stay mapped for
// as long as the program runs, so the spans never dangle. A missing resource
// gives an empty span, which the core refuses like any malformed file.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_api.h"

namespace tonegen::win32 {

Assets embedded_assets(HINSTANCE instance);

} // namespace tonegen::win32
