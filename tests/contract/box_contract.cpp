// The box port's contract (src/platform/box_port.h), once for every
// platform, on the windowing contract's window and rig.
#include "contract/windowing_contract.h"

#include "common/bmp_image.h"

#include <cstdlib>
#include <vector>

namespace tonegen::contract {

TEST_P(BoxContract, WindowsSitWhereAskedWithTheAskedClientArea)
{
    const WindowPlace main = rig->place(window);
    EXPECT_EQ(main.x, 40);
    EXPECT_EQ(main.y, 50);
    EXPECT_EQ(main.client_width, 300);
    EXPECT_EQ(main.client_height, 200);
    EXPECT_TRUE(boxes->program_in_foreground());

    for (const bool centred : {false, true}) {
        SCOPED_TRACE(centred ? "centred" : "at (40, 190)");
        open_box(centred);
        const WindowPlace b = rig->place(box);
        EXPECT_EQ(b.client_width, 300);
        EXPECT_EQ(b.client_height, 120);
        if (centred) {
            const Size screen = rig->screen();
            EXPECT_LE(std::abs(b.x - (screen.width - b.outer_width) / 2), 1);
            EXPECT_LE(std::abs(b.y - (screen.height - b.outer_height) / 2), 1);
        } else {
            EXPECT_EQ(b.x, 40);
            EXPECT_EQ(b.y, 190);
        }
        EXPECT_TRUE(boxes->program_in_foreground());
        close_box();
    }
}

TEST_P(BoxContract, MeasuringUsesAFixedPitchBoxFontOnlyWhileOpen)
{
    EXPECT_EQ(boxes->measure_text("Ay").width, 0);
    ASSERT_EQ(boxes->open_measuring(), measuring_ready);
    const TextSize ay = boxes->measure_text("Ay");
    const TextSize narrow = boxes->measure_text("iiiiiiiiii");
    const TextSize wide = boxes->measure_text("WWWWWWWWWW");
    EXPECT_GT(ay.height, 8);
    EXPECT_EQ(narrow.width, wide.width) << "the box font is not of fixed pitch";
    EXPECT_EQ(wide.width, 5 * ay.width);
    EXPECT_EQ(boxes->measure_text("").width, 0);
    boxes->close_measuring();
    EXPECT_EQ(boxes->measure_text("Ay").width, 0);
    EXPECT_EQ(boxes->measure_text("Ay").height, 0);

    // Measured the same way a second time.
    ASSERT_EQ(boxes->open_measuring(), measuring_ready);
    EXPECT_EQ(boxes->measure_text("Ay").width, ay.width);
    EXPECT_EQ(boxes->measure_text("Ay").height, ay.height);
    boxes->close_measuring();
}

TEST_P(BoxContract, PicturesAreMadeOnlyFromWellFormedBitmapFilesAtTheirSize)
{
    using test::bmp;
    struct Case {
        const char* name;
        std::vector<unsigned char> image;
        bool accepted;
        Size size;
    };
    std::vector<unsigned char> short_row = bmp(3, 2, 24);
    short_row.pop_back();
    std::vector<unsigned char> compressed = bmp(4, 4, 8);
    test::put_u32(compressed, 30, 1); // run-length encoded
    std::vector<unsigned char> not_bmp = bmp(3, 2, 24);
    not_bmp[0] = 'P';
    std::vector<unsigned char> no_width = bmp(3, 2, 24);
    test::put_u32(no_width, 18, 0);
    const Case cases[] = {
        {"24 bpp, padded rows", bmp(3, 2, 24), true, {3, 2}},
        {"8 bpp, two colours", bmp(2, 2, 8, 2), true, {2, 2}},
        {"1 bpp, whole palette", bmp(9, 1, 1), true, {9, 1}},
        {"32 bpp, top-down", bmp(2, -2, 32), true, {2, 2}},
        {"info header of 124 bytes", bmp(2, 2, 24, 0, 124), true, {2, 2}},
        {"empty", {}, false, {}},
        {"last row one byte short", short_row, false, {}},
        {"compressed", compressed, false, {}},
        {"not BM", not_bmp, false, {}},
        {"no width", no_width, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHandle made = boxes->load_picture(c.image);
        ASSERT_EQ(made != 0, c.accepted);
        if (made == 0)
            continue;
        const Size size = rig->picture_size(made);
        EXPECT_EQ(size.width, c.size.width);
        EXPECT_EQ(size.height, c.size.height);
    }
}

} // namespace tonegen::contract
