// The BMP check over any bytes: no read outside the image, and the parts it
// hands on lie inside the image, in order.
#include "formats/bitmap_file.h"

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const unsigned char> image(data, size);
    if (const std::optional<tonegen::BitmapFileParts> parts = tonegen::bitmap_file_parts(image)) {
        const unsigned char* end = data + size;
        FUZZ_CHECK(parts->header_bytes >= 40);
        FUZZ_CHECK(parts->info == data + 14);
        FUZZ_CHECK(parts->colour_table == parts->info + parts->header_bytes);
        FUZZ_CHECK(parts->colours * 4 <= static_cast<std::size_t>(parts->pixels - parts->colour_table));
        FUZZ_CHECK(parts->pixels <= end);
        FUZZ_CHECK(parts->pixel_bytes > 0 && parts->pixel_bytes <= static_cast<std::size_t>(end - parts->pixels));
    }
    return 0;
}
