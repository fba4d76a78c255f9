#include "platform/sim/sim_platform.h"

namespace tonegen::sim {

std::vector<unsigned char> test_wave_image(unsigned char fill)
{
    std::vector<unsigned char> b = {'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                    16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0,
                                    2, 0, 16, 0, 'd', 'a', 't', 'a', 16, 0, 0, 0};
    b.insert(b.end(), 16, fill);
    return b;
}

std::vector<unsigned char> test_bitmap()
{
    // One pixel, 24 bits, its row padded to four bytes.
    std::vector<unsigned char> b(58, 0);
    b[0] = 'B';
    b[1] = 'M';
    b[2] = 58;
    b[10] = 54;
    b[14] = 40;
    b[18] = 1; // width
    b[22] = 1; // height
    b[26] = 1; // planes
    b[28] = 24;
    return b;
}

} // namespace tonegen::sim
