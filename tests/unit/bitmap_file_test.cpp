// The BMP check: every size compared with what is left of the image, so a
// malformed About picture is refused without a read past its end.
#include "formats/bitmap_file.h"

#include "common/bmp_image.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tonegen {
namespace {

using namespace test;

TEST(BitmapFile, WellFormedImagesArePartedAndMalformedOnesRefused)
{
    struct Case {
        const char* name;
        std::vector<unsigned char> image;
        std::function<void(std::vector<unsigned char>&)> damage;
        bool accepted;
    };
    auto none = [](std::vector<unsigned char>&) {};
    const Case cases[] = {
        {"24 bpp, padded rows", bmp(3, 2, 24), none, true},
        {"8 bpp, two colours", bmp(2, 2, 8, 2), none, true},
        {"1 bpp, whole palette", bmp(9, 1, 1), none, true},
        {"32 bpp, top-down", bmp(2, -2, 32), none, true},
        {"info header of 124 bytes", bmp(2, 2, 24, 0, 124), none, true},
        {"bytes after the rows", bmp(2, 2, 24), [](auto& b) { b.resize(b.size() + 7, 0); }, true},
        {"empty", {}, none, false},
        {"file header only", bmp(2, 2, 24), [](auto& b) { b.resize(53); }, false},
        {"not BM", bmp(2, 2, 24), [](auto& b) { b[1] = 'A'; }, false},
        {"core header (12 bytes)", bmp(2, 2, 24), [](auto& b) { put_u32(b, 14, 12); }, false},
        {"info header past the end", bmp(2, 2, 24), [](auto& b) { put_u32(b, 14, 0x10000); }, false},
        {"width 0", bmp(2, 2, 24), [](auto& b) { put_u32(b, 18, 0); }, false},
        {"negative width", bmp(2, 2, 24), [](auto& b) { put_u32(b, 18, static_cast<std::uint32_t>(-2)); }, false},
        {"height 0", bmp(2, 2, 24), [](auto& b) { put_u32(b, 22, 0); }, false},
        {"two planes", bmp(2, 2, 24), [](auto& b) { put_u16(b, 26, 2); }, false},
        {"7 bpp", bmp(2, 2, 24), [](auto& b) { put_u16(b, 28, 7); }, false},
        {"run-length encoded", bmp(2, 2, 8), [](auto& b) { put_u32(b, 30, 1); }, false},
        {"257 colours in 8 bpp", bmp(2, 2, 8), [](auto& b) { put_u32(b, 46, 257); }, false},
        {"palette running into the rows", bmp(2, 2, 8, 2), [](auto& b) { put_u32(b, 46, 3); }, false},
        {"rows before the palette's end", bmp(2, 2, 8), [](auto& b) { put_u32(b, 10, 54); }, false},
        {"rows start past the end", bmp(2, 2, 24), [](auto& b) { put_u32(b, 10, 0xFFFFFFF0u); }, false},
        {"last row one byte short", bmp(3, 2, 24), [](auto& b) { b.pop_back(); }, false},
        {"width beyond the data", bmp(2, 2, 24), [](auto& b) { put_u32(b, 18, 0x7FFFFFFF); }, false},
        {"height beyond the data", bmp(2, 2, 24), [](auto& b) { put_u32(b, 22, 0x7FFFFFFF); }, false},
        {"most negative height", bmp(2, 2, 24), [](auto& b) { put_u32(b, 22, 0x80000000u); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> image = c.image;
        c.damage(image);
        // Exactly as long as the image, so that the sanitizer build catches
        // a read past its end.
        image.shrink_to_fit();
        const std::optional<BitmapFileParts> parts = bitmap_file_parts(image);
        EXPECT_EQ(parts.has_value(), c.accepted);
        if (!parts)
            continue;
        const unsigned char* end = image.data() + image.size();
        EXPECT_LE(parts->info + parts->header_bytes, parts->colour_table);
        EXPECT_LE(parts->colour_table + parts->colours * 4, parts->pixels);
        EXPECT_LE(parts->pixels + parts->pixel_bytes, end);
        EXPECT_EQ(parts->pixels, image.data() + read_le32(image, 10));
        const auto width = static_cast<std::uint64_t>(read_le32(image, 18));
        const auto height = static_cast<std::int32_t>(read_le32(image, 22));
        const std::uint64_t row_bytes = (width * (image[28] | image[29] << 8) + 31) / 32 * 4;
        EXPECT_EQ(parts->pixel_bytes, row_bytes * static_cast<std::uint64_t>(height < 0 ? -height : height));
    }
}

TEST(BitmapFile, PaletteHasTheEntriesTheHeaderNamesOrAllThatTheDepthAllows)
{
    struct Case {
        int bits;
        std::uint32_t colours_used;
        std::size_t colours;
    };
    for (const Case c : {Case{1, 0, 2}, Case{4, 0, 16}, Case{8, 0, 256}, Case{8, 256, 256}, Case{8, 2, 2}, Case{24, 0, 0}}) {
        const std::optional<BitmapFileParts> parts = bitmap_file_parts(bmp(2, 2, c.bits, c.colours_used));
        ASSERT_TRUE(parts.has_value()) << c.bits;
        EXPECT_EQ(parts->colours, c.colours) << c.bits << " bpp, " << c.colours_used << " named";
    }
}

} // namespace
} // namespace tonegen
