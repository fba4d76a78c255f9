// What the tools show and make as they work: a progress bar on a terminal,
// and files that appear whole or not at all (written beside the name asked
// for and renamed to it only when complete).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace tonegen {

// Writes bytes to the file being made; false once a write has failed (the
// rest is then not written).
using WriteBytes = std::function<bool(const void* data, std::size_t bytes)>;

// Makes `target` from what `contents` writes: into `target` + ".partial",
// flushed and closed, then renamed over `target` (an old file of that name
// removed first where renaming does not replace it). The message when it
// could not, with no file left beside the name.
std::string write_file_aside(const std::string& target, const std::function<void(const WriteBytes&)>& contents);

// "[#####               ]  25 %" on `err`, redrawn in place at each whole
// per cent, with a line end at 100 %.
class ProgressBar {
public:
    explicit ProgressBar(std::FILE* err) : err_(err) {}
    void show(std::int64_t done, std::int64_t total);
    // Ends a bar left short of 100 % with a line end, so that a message
    // after it starts a line of its own.
    void end();

private:
    std::FILE* err_;
    int shown_ = -1;
};

} // namespace tonegen
