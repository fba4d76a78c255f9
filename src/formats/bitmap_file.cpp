#include "formats/bitmap_file.h"

#include "formats/little_endian.h"

#include <cstdint>

namespace tonegen {

namespace {

constexpr std::uint32_t uncompressed = 0; // BI_RGB

} // namespace

std::optional<BitmapFileParts> bitmap_file_parts(std::span<const unsigned char> image)
{
    constexpr std::uint64_t file_header = 14;
    constexpr std::uint64_t info_header = 40;
    const std::uint64_t size = image.size();
    const unsigned char* base = image.data();
    if (size < file_header + info_header || base[0] != 'B' || base[1] != 'M')
        return std::nullopt;
    const std::uint64_t pixels_at = read_u32(base + 10);
    const std::uint64_t header_bytes = read_u32(base + 14);
    if (header_bytes < info_header || header_bytes > size - file_header)
        return std::nullopt;

    const unsigned char* h = base + file_header;
    const auto width = static_cast<std::int32_t>(read_u32(h + 4));
    const auto height = static_cast<std::int32_t>(read_u32(h + 8));
    const std::uint16_t planes = read_u16(h + 12);
    const std::uint16_t bits = read_u16(h + 14);
    const std::uint32_t compression = read_u32(h + 16);
    const std::uint64_t colours_used = read_u32(h + 32);
    if (width <= 0 || height == 0 || planes != 1 || compression != uncompressed)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;

    std::uint64_t colours = colours_used;
    if (bits <= 8) {
        const std::uint64_t most = std::uint64_t{1} << bits;
        if (colours > most)
            return std::nullopt;
        if (colours == 0)
            colours = most;
    }
    const std::uint64_t table_bytes = colours * 4;
    if (table_bytes > size || file_header + header_bytes + table_bytes > pixels_at || pixels_at > size)
        return std::nullopt;

    // Rows are padded to 4 bytes; a negative height means top-down rows.
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    const std::uint64_t room = size - pixels_at;
    if (row_bytes > room || rows > room / row_bytes)
        return std::nullopt;

    BitmapFileParts parts{};
    parts.header_bytes = static_cast<std::size_t>(header_bytes);
    parts.info = h;
    parts.colours = static_cast<std::size_t>(colours);
    parts.colour_table = h + header_bytes;
    parts.pixels = base + pixels_at;
    parts.pixel_bytes = static_cast<std::size_t>(row_bytes * rows);
    return parts;
}

} // namespace tonegen
