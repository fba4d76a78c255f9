#include "ui/dropped_events.h"

#include "model/controls.h"
#include "ui/number_text.h"

#include <optional>

namespace tonegen {

void undo_dropped_event(WindowingPort& w, WindowHandle main_window, const Event& event)
{
    if (event.kind != EventKind::control || event.window != main_window)
        return;
    const int id = event.control;
    if (id == on_off_toggle || id == sweep_toggle || id == pink_toggle || id == about_toggle) {
        w.set_checked(id, !w.checked(id));
    } else if (is_gain_bar(id)) {
        const int label = first_gain_label + (id - first_gain_bar);
        if (const std::optional<std::int64_t> shown = whole_number_in_range(w.text(label), 0, 100))
            w.set_scroll_position(id, static_cast<int>(*shown));
    }
}

void drop_pending_events(WindowingPort& w, WindowHandle main_window)
{
    for (Event e = w.poll_event(); e.kind != EventKind::none; e = w.poll_event())
        undo_dropped_event(w, main_window, e);
}

} // namespace tonegen
