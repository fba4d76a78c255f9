// The contracts of the windowing port and of the ports beside it (control
// texts, clipboard, box), written once and run against every
// implementation: the fakes, the Qt layer and the Win32 layer. Each port's
// bodies have a file of their own (windowing_contract.cpp,
// control_texts_contract.cpp, clipboard_contract.cpp, box_contract.cpp) and a
// fixture of their own, all on the one window set up here. Each platform's
// runner supplies a WindowingRig: the ports themselves and a user who acts on
// the windows with that platform's own input.
//
// A user acts only while the program waits, and at a human pace: every
// action asked of the rig happens inside one of the program's event waits,
// one action a wait, after the actions asked before it and after whatever
// the platform queued in answer to them. The bodies let the user act, then
// take the events with wait_event up to a marker the rig queues behind
// everything else (WindowingContract::settle). So they see what the program
// sees, when it sees it: a control's state is read as its event is taken.
//
// A new rule of a port gets a body in that port's file; when it needs
// something a user does or sees that the rig cannot do yet, the rig gets a
// method here and every runner (windowing_<platform>.cpp) an answer.
#pragma once

#include "platform/box_port.h"
#include "platform/clipboard_port.h"
#include "platform/control_texts_port.h"
#include "platform/windowing_port.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonegen::contract {

enum class BarMove {
    line_left, line_right, // the arrows at its ends
    page_left, page_right, // a click in the trough beside the thumb
    drag,                  // the thumb dragged to a position
};

// Where a window sits: the outer top-left corner on the screen and the
// size of its client area.
struct WindowPlace {
    int x, y, client_width, client_height;
    int outer_width, outer_height;
};

struct Size {
    int width, height;
};

// What assistive technology reads of a control.
enum class Said { name, description, value };

class WindowingRig {
public:
    virtual ~WindowingRig() = default;
    virtual WindowingPort& port() = 0;
    virtual ControlTextsPort& texts() = 0;
    virtual ClipboardPort& clipboard() = 0;
    virtual BoxPort& boxes() = 0;

    // The user, acting inside the program's event waits.
    // Runs `action` in a wait of its own, behind everything asked before.
    virtual void later(std::function<void()> action) = 0;
    virtual void click(int id) = 0;                        // a button, with the mouse
    virtual void step_by_key(int id, bool up) = 0;         // a field's arrow key (the field takes the focus)
    virtual void step_by_arrow(int id, bool up) = 0;       // a field's arrow, with the mouse
    virtual void type(int id, std::string_view text) = 0;  // into a field: select all, delete, one key per character
    virtual void tab(bool backwards) = 0;                  // Tab or Shift+Tab
    virtual void move_bar(int id, BarMove move, int position = 0) = 0;
    virtual void press_close_box(WindowHandle window) = 0;
    virtual void press_ctrl_shift(char letter) = 0;        // Ctrl+Shift and a letter key, where the focus is
    virtual void press_key(int key, int modifiers) = 0;    // a key of windowing_port.h with modifiers, where the focus is
    // The next message box is read and its OK button pressed;
    // last_message_box says what it showed, as "title|text".
    virtual void answer_message_box() = 0;
    virtual std::string last_message_box() = 0;

    // The user waits until `window`, just opened or left in front by a
    // window that went, is in front with its keyboard focus settled: what
    // a desktop may finish only after the program's call has returned.
    virtual void await_front(WindowHandle window) = 0;

    // What the user sees.
    virtual bool has_focus(int id) = 0;
    virtual WindowPlace place(WindowHandle window) = 0;
    virtual Size screen() = 0;
    // The size of a picture made by the box port's load_picture.
    virtual Size picture_size(ImageHandle picture) = 0;
    // For the control texts: the text of a control's tooltip as the platform's tooltip holds it
    // (UTF-8), and what assistive technology reads of the control, through
    // the platform's own accessibility interface.
    virtual std::string tooltip(int id) = 0;
    virtual std::string said(int id, Said which) = 0;
};

using RigMaker = std::unique_ptr<WindowingRig> (*)();

// What the program sees of one event when it takes it.
struct Seen {
    Event event;
    bool checked = false;
    std::string text;
    std::int64_t value = 0; // a frequency field's, read as the program reads it
    int position = 0;
};

struct Message {
    WindowHandle window;
    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

// The fixture of the contract bodies. The main window holds two toggles, two
// frequency fields and a gain bar; `open_box` adds a box as the About box
// makes it.
class WindowingContract : public ::testing::TestWithParam<RigMaker> {
protected:
    static constexpr int toggle = 163;
    static constexpr int other_toggle = 161;
    static constexpr int field = 3;
    static constexpr int other_field = 4;
    static constexpr int bar = 23;
    static constexpr int label = 123;
    static constexpr int first_button = 6001;
    static constexpr std::int64_t lowest = 22, highest = 22050;

    void SetUp() override;
    void TearDown() override;

    // Lets the user act, then takes every event up to the rig's marker.
    std::vector<Seen> settle();
    // The events of one control, in order.
    static std::vector<Seen> of(const std::vector<Seen>& seen, int id);
    static std::vector<int> subtypes(const std::vector<Seen>& seen);
    // The handler's messages of one kind, for a field ("EN_KILLFOCUS of 3").
    std::vector<Message> focus_lost_of(int id) const;
    void open_box(bool centred); // three buttons from first_button on, the first focused
    void close_box();

    std::unique_ptr<WindowingRig> rig;
    WindowingPort* port = nullptr;
    ControlTextsPort* texts = nullptr;
    ClipboardPort* clipboard = nullptr;
    BoxPort* boxes = nullptr;
    WindowHandle window = 0;
    WindowHandle box = 0;
    std::vector<Message> messages; // what the message handler saw
};

// The contracts of the ports beside the windowing port, on the same window.
class ControlTextsContract : public WindowingContract {};
class ClipboardContract : public WindowingContract {};
class BoxContract : public WindowingContract {};

// Runs every one of these contracts on one platform's rig.
#define TONEGEN_WINDOWING_CONTRACTS(platform, rig_maker)                                     \
    INSTANTIATE_TEST_SUITE_P(platform, WindowingContract, ::testing::Values(rig_maker));    \
    INSTANTIATE_TEST_SUITE_P(platform, ControlTextsContract, ::testing::Values(rig_maker)); \
    INSTANTIATE_TEST_SUITE_P(platform, ClipboardContract, ::testing::Values(rig_maker));    \
    INSTANTIATE_TEST_SUITE_P(platform, BoxContract, ::testing::Values(rig_maker))

} // namespace tonegen::contract
