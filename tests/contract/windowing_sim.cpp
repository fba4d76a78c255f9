// The windowing contract on the fakes: the user is the fake's script, whose
// steps run only while the program waits, as the contract bodies expect.
#include "contract/windowing_contract.h"

#include "platform/sim/sim_windowing.h"
#include "platform/sim/sim_clipboard.h"

namespace tonegen::contract {
namespace {

class SimRig final : public WindowingRig {
public:
    WindowingPort& port() override { return w_; }
    ControlTextsPort& texts() override { return w_; }
    ClipboardPort& clipboard() override { return clipboard_; }
    BoxPort& boxes() override { return w_; }

    void later(std::function<void()> action) override { w_.then(std::move(action)); }

    void click(int id) override
    {
        later([this, id] {
            const auto c = w_.controls.find(id);
            if (c != w_.controls.end() && c->second.spec.kind == ControlKind::toggle_button)
                w_.click_now(id);
            else
                w_.press_now(id);
        });
    }

    void step_by_key(int id, bool up) override
    {
        later([this, id] { w_.set_focus(id); });
        w_.step_field(id, up);
    }

    void step_by_arrow(int id, bool up) override { w_.step_field(id, up); }

    void type(int id, std::string_view text) override
    {
        // One step per key: the selection deleted, then each character.
        later([this, id] {
            w_.set_focus(id);
            if (!w_.text(id).empty())
                w_.set_text(id, "");
        });
        for (std::size_t n = 1; n <= text.size(); ++n)
            w_.type(id, std::string(text.substr(0, n)));
    }

    void tab(bool backwards) override { w_.tab(backwards); }

    void move_bar(int id, BarMove move, int position) override
    {
        switch (move) {
        case BarMove::line_left:
        case BarMove::page_left:
            w_.scroll_by(id, -1);
            break;
        case BarMove::line_right:
        case BarMove::page_right:
            w_.scroll_by(id, 1);
            break;
        case BarMove::drag:
            w_.scroll(id, position);
            break;
        }
    }

    void press_close_box(WindowHandle window) override
    {
        later([this, window] { w_.close_now(window); });
    }

    void press_ctrl_shift(char letter) override
    {
        if (letter == 'C' || letter == 'V' || letter == 'F')
            w_.shortcut(letter == 'C' ? copy_setup_shortcut : letter == 'V' ? paste_setup_shortcut : catch_sweep_shortcut);
        else
            later([] {}); // a key combination the program has no use for
    }

    void press_key(int key, int modifiers) override { w_.press_key(key, modifiers); }

    // The fake's message box needs no answer.
    void answer_message_box() override {}
    std::string last_message_box() override { return w_.message_boxes.empty() ? "" : w_.message_boxes.back(); }

    // The fake's windows are in front as soon as they are open.
    void await_front(WindowHandle /*window*/) override {}

    bool has_focus(int id) override { return w_.focused == id; }

    WindowPlace place(WindowHandle window) override
    {
        const sim::SimWindowing::Window& p = w_.windows.at(window);
        return {p.x, p.y, p.width, p.height, p.width, p.height};
    }

    Size screen() override { return {w_.screen_width, w_.screen_height}; }

    Size picture_size(ImageHandle picture) override
    {
        const TextSize size = w_.pictures.at(picture);
        return {size.width, size.height};
    }

    std::string tooltip(int id) override { return w_.controls.at(id).tooltip; }

    std::string said(int id, Said which) override
    {
        const sim::SimControl& c = w_.controls.at(id);
        return which == Said::name ? c.accessible_name : which == Said::description ? c.accessible_description : c.accessible_value;
    }

private:
    sim::CallLog log_;
    sim::SimWindowing w_{log_};
    sim::SimClipboard clipboard_{log_};
};

std::unique_ptr<WindowingRig> make_sim_rig()
{
    return std::make_unique<SimRig>();
}

TONEGEN_WINDOWING_CONTRACTS(Sim, &make_sim_rig);

} // namespace
} // namespace tonegen::contract
