// The files the Linux program carries inside itself.
#pragma once

#include "platform/platform.h"

namespace tonegen::qt {

Assets embedded_assets();

} // namespace tonegen::qt
