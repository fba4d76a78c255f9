#include "ui/about_box.h"

#include "ui/about_layout.h"
#include "ui/dropped_events.h"
#include "ui/maker.h"

#include <string>
#include <vector>

namespace tonegen {

std::string_view about_text()
{
    static const std::string text = std::string(maker::about_title) + "|" + maker::product_line +
                                    "|Real-Time Sinewave Audio Zelvara Generator|By " + maker::name +
                                    "|Web Site:|" + maker::address_line + "|";
    return text;
}

std::string_view software_page()
{
    return maker::software_page;
}

std::string_view page_for_choice(std::int64_t choice)
{
    switch (choice) {
    case 2: return maker::twitter_page;
    case 3: return maker::facebook_page;
    case 4: return maker::google_page;
    case 5: return maker::linkedin_page;
    default: return {};
    }
}

void open_web_address(Platform& p, std::string_view address)
{
    if (!address.empty())
        p.shell.open_address(address);
}

namespace {

// Takes events until the box closes or one of its buttons is pressed; drops
// everything else, the main window's clicks and close request included (a
// dropped click leaves its toggle as it was).
std::int64_t wait_for_choice(Platform& p, WindowHandle box, int buttons)
{
    drop_pending_events(p.windowing, p.main_window);
    for (;;) {
        const Event e = p.windowing.wait_event();
        if (e.kind == EventKind::close && e.window == box)
            return 0;
        if (e.kind == EventKind::control && e.control >= first_box_button && e.control < first_box_button + buttons)
            return e.control - first_box_button + 1;
        undo_dropped_event(p.windowing, p.main_window, e);
    }
}

} // namespace

std::int64_t show_about_box(Platform& p, int x, int y, std::string_view text, std::string_view captions,
                            int wrap_width, ImageHandle picture)
{
    WindowingPort& w = p.windowing;
    BoxPort& boxes = p.boxes;
    const bool ours_in_front = boxes.program_in_foreground();

    const std::vector<std::string> fields = split_fields(text);
    const std::vector<std::string> lines(fields.begin() + 1, fields.end());
    const std::vector<std::string> labels = split_fields(captions);

    const int measuring = boxes.open_measuring();
    if (measuring != measuring_ready)
        return measuring;
    AboutMeasurements m;
    m.line_height = boxes.measure_text("Ay").height;
    for (const std::string& line : lines)
        m.line_widths.push_back(boxes.measure_text(line).width);
    m.title_width = boxes.measure_text(fields[0]).width;
    for (const std::string& caption : labels) {
        std::vector<int> widths;
        for (const std::string& word : caption_words(caption))
            widths.push_back(boxes.measure_text(word).width);
        m.caption_words.push_back(std::move(widths));
    }
    m.has_picture = picture != 0;
    boxes.close_measuring();

    const AboutLayout l = layout_about_box(m, wrap_width, p.layout_percent);
    const WindowHandle box = boxes.open_box(fields[0], x, y, l.client_width, l.client_height, !ours_in_front);
    if (box == 0)
        return -3;

    if (picture != 0) {
        ControlSpec image{-1, ControlKind::picture, l.picture.x, l.picture.y, l.picture.width, l.picture.height, ""};
        image.image = picture;
        static_cast<void>(w.create_control(box, image));
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Rect& r = l.lines[i];
        ControlSpec label{-1, ControlKind::text_label, r.x, r.y, r.width, r.height, lines[i]};
        label.font = ControlFont::box;
        static_cast<void>(w.create_control(box, label));
    }
    const int buttons = static_cast<int>(labels.size());
    for (int i = 0; i < buttons; ++i) {
        const Rect& r = l.buttons[static_cast<std::size_t>(i)];
        const std::string& caption = labels[static_cast<std::size_t>(i)];
        ControlSpec button{first_box_button + i, ControlKind::push_button, r.x, r.y, r.width, r.height,
                           caption.empty() ? " " : caption};
        button.font = ControlFont::box;
        static_cast<void>(w.create_control(box, button));
    }
    w.set_focus(first_box_button);

    const std::int64_t choice = wait_for_choice(p, box, buttons);
    w.destroy_window(box);
    return choice;
}

} // namespace tonegen
