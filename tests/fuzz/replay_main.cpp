// Runs a fuzz target over every file of the seed folders given on the
// command line, in name order, as an ordinary test: a crash or a failed
// check ends it, and it says how many inputs it ran.
#include "fuzz_target.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
            if (entry.is_regular_file())
                inputs.push_back(entry.path());
        }
        if (error) {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no seeds in the folders given\n");
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // An exact copy, so that a read one past the end is caught by the
        // address sanitizer even for an empty input.
        std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
        input.shrink_to_fit();
        static_cast<void>(LLVMFuzzerTestOneInput(input.data(), input.size()));
    }
    std::printf("%zu seeds ran\n", inputs.size());
    return 0;
}
