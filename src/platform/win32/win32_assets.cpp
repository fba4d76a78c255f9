// How it works: see win32_assets.h.
#include "platform/win32/win32_assets.h"

#include "platform/win32/resources.h"

namespace tonegen::win32 {

namespace {

std::span<const unsigned char> resource_bytes(HINSTANCE instance, int number)
{
    HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(number), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!found)
        return {};
    HGLOBAL loaded = ::LoadResource(instance, found);
    const DWORD size = ::SizeofResource(instance, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const unsigned char*>(bytes), size};
}

} // namespace

Assets embedded_assets(HINSTANCE instance)
{
    return Assets{
        resource_bytes(instance, TONEGEN_SWEEP_RESOURCE),
        resource_bytes(instance, TONEGEN_PINK_RESOURCE),
        resource_bytes(instance, TONEGEN_ABOUT_PICTURE_RESOURCE),
        resource_bytes(instance, TONEGEN_ABOUT_PICTURE_2X_RESOURCE),
    };
}

} // namespace tonegen::win32
