// BMP file images held in memory: the About picture.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace tonegen {

// The parts of a BMP file image, checked: the 14-byte file header, an info
// header of at least 40 bytes (only its first 40 are used), the colour table
// after it and uncompressed pixel rows from the file header's offset on.
struct BitmapFileParts {
    const unsigned char* info;         // the info header, header_bytes long
    std::size_t header_bytes;
    const unsigned char* colour_table; // colours entries of 4 bytes
    std::size_t colours;
    const unsigned char* pixels;       // pixel_bytes of rows
    std::size_t pixel_bytes;
};

// Every size is compared with what is left of the image before it is used,
// so the parts never reach past its end. Refuses anything but an
// uncompressed image of 1, 4, 8, 16, 24 or 32 bits per pixel, one plane,
// a positive width and a height other than 0 (negative: rows top-down).
std::optional<BitmapFileParts> bitmap_file_parts(std::span<const unsigned char> image);

} // namespace tonegen
