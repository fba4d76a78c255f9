// The fake's box support: pictures kept with their sizes, a box font whose
// characters are all 8 x 16 pixels, and boxes that are windows of the fake
// and take the keyboard focus while they are open.
#include "platform/sim/sim_windowing.h"

#include "formats/bitmap_file.h"
#include "formats/little_endian.h"

#include <optional>

namespace tonegen::sim {

bool SimWindowing::program_in_foreground()
{
    return in_foreground;
}

ImageHandle SimWindowing::load_picture(std::span<const unsigned char> bitmap_file)
{
    const std::optional<BitmapFileParts> parts = bitmap_file_parts(bitmap_file);
    if (!parts)
        return 0;
    const auto height = static_cast<std::int32_t>(read_u32(parts->info + 8));
    const ImageHandle picture = 0x1D0 + pictures.size();
    pictures[picture] = TextSize{static_cast<int>(read_u32(parts->info + 4)), height < 0 ? -height : height};
    return picture;
}

int SimWindowing::open_measuring()
{
    measuring = measuring_result == measuring_ready;
    return measuring_result;
}

TextSize SimWindowing::measure_text(std::string_view text)
{
    if (!measuring)
        return {0, 0};
    return {static_cast<int>(text.size()) * char_width, char_height};
}

void SimWindowing::close_measuring()
{
    measuring = false;
}

WindowHandle SimWindowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                    bool centred)
{
    log_.push_back("open_box " + std::string(title));
    if (refuse_boxes)
        return 0;
    open_box_handle = centred ? open((screen_width - client_width) / 2, (screen_height - client_height) / 2,
                                     client_width, client_height)
                              : open(x, y, client_width, client_height);
    // The box takes the keyboard from the window below, which gets it back.
    focus_before_box = focused;
    move_focus(-1);
    boxes.push_back(Box{std::string(title), x, y, client_width, client_height, centred, open_box_handle});
    return open_box_handle;
}

} // namespace tonegen::sim
