// The RIFF WAVE walk over any bytes: no read outside the image, and what it
// finds lies inside the image and is PCM.
#include "formats/wave_file.h"

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const unsigned char> image(data, size);
    if (const std::optional<tonegen::WaveImage> wave = tonegen::parse_wave_image(image)) {
        FUZZ_CHECK(wave->format.wFormatTag == tonegen::WAVE_FORMAT_PCM);
        FUZZ_CHECK(wave->bytes > 0);
        FUZZ_CHECK(wave->data >= data + 44 && wave->data <= data + size);
        FUZZ_CHECK(wave->bytes <= static_cast<std::size_t>(data + size - wave->data));
    }
    return 0;
}
