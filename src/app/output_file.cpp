#include "app/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tonegen {

void ProgressBar::show(std::int64_t done, std::int64_t total)
{
    const int per_cent = static_cast<int>(done * 100 / total);
    if (per_cent == shown_)
        return;
    shown_ = per_cent;
    const int filled = per_cent / 5;
    std::fprintf(err_, "\r[%.*s%*s] %3d %%", filled, "####################", 20 - filled, "", per_cent);
    if (done == total)
        std::fputc('\n', err_);
    std::fflush(err_);
}

void ProgressBar::end()
{
    if (shown_ >= 0 && shown_ < 100)
        std::fputc('\n', err_);
    shown_ = -1;
}

std::string write_file_aside(const std::string& target_name, const std::function<void(const WriteBytes&)>& contents)
{
    namespace fs = std::filesystem;
    const fs::path target(target_name);
    const fs::path aside = fs::path(target_name + ".partial");
    std::FILE* file = std::fopen(aside.string().c_str(), "wb");
    if (!file)
        return "cannot write " + aside.string() + ": " + std::strerror(errno);
    std::string problem;
    contents([&](const void* data, std::size_t bytes) {
        if (problem.empty() && std::fwrite(data, 1, bytes, file) != bytes)
            problem = "cannot write " + aside.string() + ": " + std::strerror(errno);
        return problem.empty();
    });
    // A full disk often shows only when the last bytes are flushed.
    if (std::fflush(file) != 0 && problem.empty())
        problem = "cannot write " + aside.string() + ": " + std::strerror(errno);
    if (std::fclose(file) != 0 && problem.empty())
        problem = "cannot write " + aside.string() + ": " + std::strerror(errno);

    std::error_code error;
    if (problem.empty()) {
        fs::rename(aside, target, error);
        if (error && fs::exists(target)) {
            // Where renaming does not replace a file, the old one goes first.
            static_cast<void>(fs::remove(target, error));
            fs::rename(aside, target, error);
        }
        if (error)
            problem = "cannot make " + target.string() + ": " + error.message();
    }
    if (!problem.empty())
        static_cast<void>(fs::remove(aside, error));
    return problem;
}

} // namespace tonegen
