// How it works: see reopening_wave_out.h.
#include "audio/reopening_wave_out.h"

#include <algorithm>
#include <utility>

namespace tonegen {

ReopeningWaveOut::ReopeningWaveOut(WaveOutPort& device, WindowingPort& windowing,
                                   std::function<void(bool)> set_checking, std::function<void(std::string_view)> say)
    : device_(device), windowing_(windowing), set_checking_(std::move(set_checking)), say_(std::move(say))
{
    // The ring has eight headers; no write ever allocates.
    prepared_.reserve(16);
    queued_.reserve(16);
}

unsigned ReopeningWaveOut::get_num_devs()
{
    return device_.get_num_devs();
}

MmResult ReopeningWaveOut::open(WaveOutHandle* handle, unsigned device_id, const WaveFormat& format,
                                WindowHandle callback_window, std::uintptr_t instance, std::uint32_t flags)
{
    if (open_)
        return mm_error;
    WaveOutHandle opened = 0;
    const MmResult result = device_.open(&opened, device_id, format, callback_window, instance, flags);
    if (result != mm_no_error)
        return result;
    device_id_ = device_id;
    format_ = format;
    window_ = callback_window;
    instance_ = instance;
    flags_ = flags;
    open_ = true;
    device_handle_ = opened;
    paused_ = false;
    *handle = own_handle;
    update_checking();
    return mm_no_error;
}

MmResult ReopeningWaveOut::prepare_header(WaveOutHandle handle, WaveHeader* header)
{
    if (!ours(handle))
        return mm_error;
    if (device_handle_ != 0) {
        const MmResult result = device_.prepare_header(device_handle_, header);
        if (result != mm_no_error)
            return result;
    } else {
        header->dwFlags |= WHDR_PREPARED;
    }
    std::erase(prepared_, header);
    prepared_.push_back(header);
    return mm_no_error;
}

MmResult ReopeningWaveOut::unprepare_header(WaveOutHandle handle, WaveHeader* header)
{
    if (!ours(handle))
        return mm_error;
    if (device_handle_ != 0) {
        const MmResult result = device_.unprepare_header(device_handle_, header);
        if (result != mm_no_error)
            return result;
    } else {
        if (header->dwFlags & WHDR_INQUEUE)
            return mm_still_playing;
        header->dwFlags &= ~WHDR_PREPARED;
    }
    std::erase(prepared_, header);
    return mm_no_error;
}

MmResult ReopeningWaveOut::write(WaveOutHandle handle, WaveHeader* header)
{
    if (!ours(handle))
        return mm_error;
    forget_finished();
    if (!(header->dwFlags & WHDR_PREPARED) || (header->dwFlags & WHDR_INQUEUE))
        return mm_error;
    // A device that refuses a good header has failed (a device unplugged
    // says so here): the header waits for the device opened again.
    if (device_handle_ == 0 || device_.write(device_handle_, header) != mm_no_error) {
        header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
        if (device_handle_ != 0)
            failed_ = true;
    }
    queued_.push_back(header);
    ++writes_;
    return mm_no_error;
}

MmResult ReopeningWaveOut::pause(WaveOutHandle handle)
{
    if (!ours(handle))
        return mm_error;
    const MmResult result = device_handle_ != 0 ? device_.pause(device_handle_) : mm_no_error;
    if (result == mm_no_error)
        paused_ = true;
    update_checking();
    return result;
}

MmResult ReopeningWaveOut::restart(WaveOutHandle handle)
{
    if (!ours(handle))
        return mm_error;
    paused_ = false;
    quiet_checks_ = 0;
    writes_at_last_check_ = writes_;
    if (device_handle_ != 0)
        failed_ = failed_ || device_.restart(device_handle_) != mm_no_error;
    else
        try_reopen();
    update_checking();
    return mm_no_error;
}

MmResult ReopeningWaveOut::reset(WaveOutHandle handle)
{
    if (!ours(handle))
        return mm_error;
    if (device_handle_ != 0) {
        // The device hands every queued header back itself.
        const MmResult result = device_.reset(device_handle_);
        if (result == mm_no_error)
            queued_.clear();
        return result;
    }
    for (WaveHeader* header : queued_)
        hand_back(header);
    queued_.clear();
    return mm_no_error;
}

MmResult ReopeningWaveOut::close(WaveOutHandle handle)
{
    if (!ours(handle))
        return mm_error;
    if (device_handle_ != 0) {
        const MmResult result = device_.close(device_handle_);
        if (result != mm_no_error)
            return result;
    } else if (!queued_.empty()) {
        return mm_still_playing;
    }
    open_ = false;
    device_handle_ = 0;
    prepared_.clear();
    queued_.clear();
    update_checking();
    return mm_no_error;
}

void ReopeningWaveOut::check()
{
    if (!open_ || paused_) {
        quiet_checks_ = 0;
        return;
    }
    if (device_handle_ == 0) {
        try_reopen();
        return;
    }
    forget_finished();
    if (!failed_) {
        if (queued_.empty() || writes_ != writes_at_last_check_) {
            writes_at_last_check_ = writes_;
            quiet_checks_ = 0;
            return;
        }
        if (++quiet_checks_ < stall_checks)
            return;
    }
    give_up_device();
    try_reopen();
}

// Headers the device has handed back (their notices may still be on their
// way) are no longer queued.
void ReopeningWaveOut::forget_finished()
{
    std::erase_if(queued_, [](const WaveHeader* h) { return (h->dwFlags & WHDR_DONE) && !(h->dwFlags & WHDR_INQUEUE); });
}

void ReopeningWaveOut::hand_back(WaveHeader* header)
{
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    static_cast<void>(windowing_.post_message(window_, MM_WOM_DONE, 0, reinterpret_cast<std::intptr_t>(header)));
}

// The stopped device is let go of as far as it lets go: it may refuse the
// reset and keep the headers queued, which then cannot be unprepared, and
// still take the close. What a reset does hand back comes back to the
// program with the notices, to be filled and written again. The headers
// keep the flags the program knows them by.
void ReopeningWaveOut::give_up_device()
{
    say_(failed_ ? "the sound device failed; opening it again every second"
                 : "the sound device stopped playing; opening it again every second");
    static_cast<void>(device_.reset(device_handle_));
    forget_finished();
    for (WaveHeader* header : prepared_)
        if (!(header->dwFlags & WHDR_INQUEUE))
            static_cast<void>(device_.unprepare_header(device_handle_, header));
    static_cast<void>(device_.close(device_handle_));
    device_handle_ = 0;
    quiet_checks_ = 0;
    failed_ = false;
    for (WaveHeader* header : prepared_) {
        const bool queued = std::find(queued_.begin(), queued_.end(), header) != queued_.end();
        header->dwFlags = WHDR_PREPARED | (queued ? WHDR_INQUEUE : header->dwFlags & WHDR_DONE);
    }
}

void ReopeningWaveOut::try_reopen()
{
    WaveOutHandle opened = 0;
    if (device_.open(&opened, device_id_, format_, window_, instance_, flags_) != mm_no_error)
        return;
    // Prepared afresh on the new device; a ring that will not prepare whole
    // is not played (an unprepared header must never be queued).
    std::vector<std::uint32_t> flags;
    flags.reserve(prepared_.size());
    bool whole = true;
    for (WaveHeader* header : prepared_) {
        flags.push_back(header->dwFlags);
        header->dwFlags = 0;
        whole = whole && device_.prepare_header(opened, header) == mm_no_error;
    }
    if (!whole) {
        for (WaveHeader* header : prepared_)
            static_cast<void>(device_.unprepare_header(opened, header));
        static_cast<void>(device_.close(opened));
        for (std::size_t i = 0; i < prepared_.size(); ++i)
            prepared_[i]->dwFlags = flags[i];
        return;
    }
    for (std::size_t i = 0; i < prepared_.size(); ++i)
        prepared_[i]->dwFlags |= flags[i] & WHDR_DONE;
    device_handle_ = opened;
    const std::vector<WaveHeader*> waiting = std::exchange(queued_, {});
    queued_.reserve(16);
    for (std::size_t i = 0; i < waiting.size(); ++i) {
        if (i == 0) {
            hand_back(waiting[i]); // filled again, queued behind the others
        } else if (device_.write(device_handle_, waiting[i]) == mm_no_error) {
            queued_.push_back(waiting[i]);
        } else {
            hand_back(waiting[i]); // kept in the ring, though its stretch is lost
        }
    }
    quiet_checks_ = 0;
    writes_at_last_check_ = writes_;
    say_("the sound device is back");
}

void ReopeningWaveOut::update_checking()
{
    const bool wanted = open_ && !paused_;
    if (wanted == checking_)
        return;
    checking_ = wanted;
    if (set_checking_)
        set_checking_(wanted);
}

} // namespace tonegen
