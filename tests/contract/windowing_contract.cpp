// The windowing port's contract (src/platform/windowing_port.h), once for
// every platform, and the fixture that the contracts of the ports beside it
// share. See windowing_contract.h for how the bodies let a user act.
#include "contract/windowing_contract.h"

#include "ui/dropped_events.h"

#include <algorithm>
#include <iterator>

namespace tonegen::contract {

namespace {

// Queued by the rig behind everything asked before it; never a control's.
constexpr int marker = -7001;

} // namespace

void WindowingContract::SetUp()
{
    rig = GetParam()();
    port = &rig->port();
    texts = &rig->texts();
    clipboard = &rig->clipboard();
    boxes = &rig->boxes();
    static_cast<void>(port->load_control_font("Arial", 8));
    window = port->open_window("contract window", 40, 50, 300, 200);
    ASSERT_NE(window, 0u);
    port->set_message_handler([this](WindowHandle w, unsigned m, std::uintptr_t wp, std::intptr_t lp) {
        messages.push_back(Message{w, m, wp, lp});
    });
    // Tab stops in creation order: the two toggles, then the two fields.
    const ControlSpec specs[] = {
        {toggle, ControlKind::toggle_button, 10, 10, 50, 28, "OFF"},
        {other_toggle, ControlKind::toggle_button, 70, 10, 78, 28, "OFF SWEEP"},
        {-1, ControlKind::frame, 5, 45, 200, 70, ""},
        {label, ControlKind::text_label, 200, 50, 40, 20, "44"},
        {field, ControlKind::frequency_field, 10, 50, 78, 20, "", lowest, highest},
        {bar, ControlKind::gain_scroll_bar, 100, 50, 100, 14, "", 0, 100},
        {other_field, ControlKind::frequency_field, 10, 80, 78, 20, "", lowest, highest},
    };
    for (const ControlSpec& spec : specs)
        ASSERT_TRUE(port->create_control(window, spec)) << spec.id;
    port->set_field_value(field, 80);
    port->set_field_value(other_field, 80);
    port->set_focus(toggle);
    rig->await_front(window);
    settle();
    messages.clear();
}

void WindowingContract::TearDown()
{
    if (box != 0)
        port->destroy_window(box);
    if (window != 0)
        port->destroy_window(window);
}

std::vector<Seen> WindowingContract::settle()
{
    WindowingPort* p = port;
    rig->later([p] { p->post_event(Event{EventKind::other, 0, marker, 0}); });
    std::vector<Seen> seen;
    for (;;) {
        const Event e = port->wait_event();
        if (e.kind == EventKind::other && e.control == marker)
            return seen;
        Seen s;
        s.event = e;
        if (e.kind == EventKind::control) {
            s.checked = port->checked(e.control);
            s.text = port->text(e.control);
            // The program reads a field's value on each of its events.
            if (e.control == field || e.control == other_field)
                s.value = port->field_value(e.control);
            s.position = port->scroll_position(e.control);
        }
        seen.push_back(s);
        if (seen.size() > 10000) {
            ADD_FAILURE() << "the rig's marker never came";
            return seen;
        }
    }
}

std::vector<Seen> WindowingContract::of(const std::vector<Seen>& seen, int id)
{
    std::vector<Seen> out;
    std::copy_if(seen.begin(), seen.end(), std::back_inserter(out), [id](const Seen& s) {
        return s.event.kind == EventKind::control && s.event.control == id;
    });
    return out;
}

std::vector<int> WindowingContract::subtypes(const std::vector<Seen>& seen)
{
    std::vector<int> out;
    for (const Seen& s : seen)
        out.push_back(s.event.subtype);
    return out;
}

std::vector<Message> WindowingContract::focus_lost_of(int id) const
{
    std::vector<Message> out;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(out), [id](const Message& m) {
        return m.message == WM_COMMAND && m.wparam == ((std::uintptr_t{EN_KILLFOCUS} << 16) | static_cast<unsigned>(id));
    });
    return out;
}

void WindowingContract::open_box(bool centred)
{
    box = boxes->open_box(" contract box", 40, 190, 300, 120, centred);
    ASSERT_NE(box, 0u);
    ControlSpec line{-1, ControlKind::text_label, 88, 5, 200, 15, "R&D line"};
    line.font = ControlFont::box;
    ASSERT_TRUE(port->create_control(box, line));
    for (int i = 0; i < 3; ++i) {
        ControlSpec button{first_button + i, ControlKind::push_button, 10 + 65 * i, 90, 60, 23, i == 0 ? "Web" : "OK"};
        button.font = ControlFont::box;
        ASSERT_TRUE(port->create_control(box, button));
    }
    port->set_focus(first_button);
    rig->await_front(box);
    settle();
}

void WindowingContract::close_box()
{
    port->destroy_window(box);
    box = 0;
    rig->await_front(window);
}

// --- Toggles and buttons --------------------------------------------------

TEST_P(WindowingContract, ClickedToggleFlipsBeforeItsEvent)
{
    for (const bool pressed : {true, false, true}) {
        SCOPED_TRACE(pressed);
        rig->click(toggle);
        const std::vector<Seen> seen = settle();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].event.kind, EventKind::control);
        EXPECT_EQ(seen[0].event.window, window);
        EXPECT_EQ(seen[0].event.control, toggle);
        EXPECT_EQ(seen[0].event.subtype, 0);
        EXPECT_EQ(seen[0].checked, pressed);
        EXPECT_EQ(seen[0].text, "OFF"); // the program writes the caption
    }
    EXPECT_FALSE(port->checked(other_toggle));
}

TEST_P(WindowingContract, ADroppedClickOrMoveIsUndoneWithoutAnEvent)
{
    // The program's drop of events (ui/dropped_events.h) over this
    // platform's own controls: what the user changed comes back as the
    // program last set it, and putting it back raises nothing.
    port->set_scroll_position(bar, 44);
    port->set_text(label, "44");
    for (int clicks : {1, 2, 3}) {
        SCOPED_TRACE(clicks);
        for (int i = 0; i < clicks; ++i)
            rig->click(toggle);
        rig->move_bar(bar, BarMove::line_right);
        WindowingPort* p = port;
        rig->later([p] { p->post_event(Event{EventKind::other, 0, marker, 0}); });
        for (Event e = port->wait_event(); !(e.kind == EventKind::other && e.control == marker); e = port->wait_event())
            undo_dropped_event(*port, window, e);
        EXPECT_FALSE(port->checked(toggle));
        EXPECT_EQ(port->scroll_position(bar), 44);
        EXPECT_TRUE(settle().empty());
    }
}

TEST_P(WindowingContract, BoxButtonsAndCloseBoxesRaiseEventsOfTheirWindowAndCloseNothing)
{
    open_box(false);
    struct Case {
        const char* name;
        std::function<void()> act;
        Event expected;
    };
    const Case cases[] = {
        {"a box button", [this] { rig->click(first_button); }, {EventKind::control, box, first_button, 0}},
        {"another", [this] { rig->click(first_button + 2); }, {EventKind::control, box, first_button + 2, 0}},
        {"the box's close box", [this] { rig->press_close_box(box); }, {EventKind::close, box, 0, 0}},
        {"the main window's", [this] { rig->press_close_box(window); }, {EventKind::close, window, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        const std::vector<Seen> seen = settle();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].event.kind, c.expected.kind);
        EXPECT_EQ(seen[0].event.window, c.expected.window);
        EXPECT_EQ(seen[0].event.control, c.expected.control);
        EXPECT_EQ(seen[0].event.subtype, 0);
    }
    // Both windows and their controls are still there.
    EXPECT_EQ(port->text(toggle), "OFF");
    EXPECT_EQ(port->text(first_button), "Web");
    EXPECT_TRUE(port->create_control(box, {first_button + 7, ControlKind::push_button, 200, 5, 60, 23, "More"}));
}

// --- What the program changes ---------------------------------------------

TEST_P(WindowingContract, ProgramChangesOfButtonsLabelsAndBarsRaiseNothing)
{
    port->set_checked(toggle, true);
    port->set_text(toggle, "ON");
    port->set_text(label, "77");
    port->set_scroll_position(bar, 70);
    EXPECT_TRUE(settle().empty());
    EXPECT_TRUE(port->checked(toggle));
    EXPECT_EQ(port->text(toggle), "ON");
    EXPECT_EQ(port->text(label), "77");
    EXPECT_EQ(port->scroll_position(bar), 70);

    // Positions outside the bar's range land on its ends.
    port->set_scroll_position(bar, 250);
    EXPECT_EQ(port->scroll_position(bar), 100);
    port->set_scroll_position(bar, -5);
    EXPECT_EQ(port->scroll_position(bar), 0);
    EXPECT_TRUE(settle().empty());
}

TEST_P(WindowingContract, SettingAFieldRaisesOneTextChangedAndClampsIn64Bits)
{
    struct Case {
        const char* before; // the field's text
        bool set_value;     // else the text
        std::int64_t value;
        const char* text;
        std::int64_t read; // the value then read
    };
    const Case cases[] = {
        {"80", false, 0, "1234", 1234},         {"1234", false, 0, "1234", 1234},
        {"1234", false, 0, "500abc", 1234},     {"500abc", true, 4321, "4321", 4321},
        {"4321", true, 4321, "4321", 4321},     {"4321abc", true, 4321, "4321", 4321},
        {"4321", true, 5, "22", 22},            {"22", true, 30000, "22050", 22050},
        {"80", true, std::int64_t{1} << 40, "22050", 22050},
        {"80", true, -(std::int64_t{1} << 40) + 1000, "22", 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << (c.set_value ? " value " : " text ") << c.value << c.text);
        port->set_text(field, c.before);
        settle();
        if (c.set_value)
            port->set_field_value(field, c.value);
        else
            port->set_text(field, c.text);
        const std::vector<Seen> seen = settle();
        ASSERT_EQ(subtypes(of(seen, field)), std::vector<int>{text_changed});
        EXPECT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].event.window, window);
        EXPECT_EQ(seen[0].text, c.text);
        EXPECT_EQ(seen[0].value, c.read);
    }
}

// --- The frequency field --------------------------------------------------

TEST_P(WindowingContract, FieldValueIsItsTextOnlyWhenThatIsAWholeNumberInRange)
{
    struct Case {
        const char* text;
        std::int64_t value; // the last value being 500
    };
    const Case cases[] = {
        {"1000", 1000}, {"22", 22},       {"22050", 22050}, {"0022050", 22050}, {"21", 500},
        {"22051", 500}, {"abc", 500},     {"", 500},        {"12x", 500},       {"99999999999", 500},
        {"-440", 500},  {" 1000", 500},   {"+1000", 500},   {"1,000", 500},     {"$3E8", 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        port->set_field_value(field, 500);
        port->set_text(field, c.text);
        EXPECT_EQ(port->field_value(field), c.value);
        EXPECT_EQ(port->text(field), c.text);
    }
}

TEST_P(WindowingContract, TypedTextStaysAsTypedAndTheValueFollowsItsValidPrefixes)
{
    // No longer than the field shows: Win32's edit takes no more characters
    // than fit its width.
    struct Case {
        const char* typed;
        std::int64_t value; // read on every event as the program does, from 80
    };
    const Case cases[] = {
        {"abc", 80}, {" 1000Hz", 80}, {"$3E8", 80}, {"-5", 80}, {"30000", 3000}, {"%1000", 80},
        {"1000", 1000}, {"22050", 22050}, {"21", 80}, {"", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        port->set_field_value(field, 80);
        settle();
        messages.clear();
        rig->type(field, c.typed);
        const std::vector<Seen> seen = of(settle(), field);
        // Every keystroke is reported, and each event sees the text it made.
        ASSERT_FALSE(seen.empty());
        EXPECT_GE(seen.size(), std::string(c.typed).size());
        for (const Seen& s : seen)
            EXPECT_EQ(s.event.subtype, text_changed);
        EXPECT_EQ(seen.back().text, c.typed);
        EXPECT_EQ(seen.back().value, c.value);
        EXPECT_TRUE(focus_lost_of(field).empty());

        // Leaving the field tells the handler once and changes nothing.
        rig->tab(false);
        EXPECT_TRUE(of(settle(), field).empty());
        EXPECT_EQ(port->text(field), c.typed);
        EXPECT_EQ(port->field_value(field), c.value);
        const std::vector<Message> left = focus_lost_of(field);
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].window, window);
        EXPECT_FALSE(rig->has_focus(field));
    }
}

TEST_P(WindowingContract, StepsApplyClampedBeforeTheirEvent)
{
    struct Case {
        const char* text; // before the step, the last value being 500
        bool up;
        std::int64_t after;
    };
    const Case cases[] = {
        {"500", true, 501},    {"500", false, 499},   {"22050", true, 22050}, {"22", false, 22},
        {"abc", true, 501},    {"30000", false, 499}, {" 600", true, 501},
    };
    for (const bool by_key : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(by_key ? "key " : "arrow ") + c.text + (c.up ? " up" : " down"));
            port->set_field_value(field, 500);
            port->set_text(field, c.text);
            settle();
            if (by_key)
                rig->step_by_key(field, c.up);
            else
                rig->step_by_arrow(field, c.up);
            const std::vector<Seen> seen = of(settle(), field);
            ASSERT_FALSE(seen.empty());
            // The text the step writes may be reported first; the step is last.
            for (std::size_t i = 0; i + 1 < seen.size(); ++i)
                EXPECT_EQ(seen[i].event.subtype, text_changed);
            EXPECT_EQ(seen.back().event.subtype, c.up ? step_up : step_down);
            EXPECT_EQ(seen.back().text, std::to_string(c.after));
            EXPECT_EQ(seen.back().value, c.after);
        }
    }
}

TEST_P(WindowingContract, LeavingAFieldIsReportedOnceHoweverTheFocusGoes)
{
    struct Case {
        const char* name;
        std::function<void()> leave;
    };
    const Case cases[] = {
        {"Tab", [this] { rig->tab(false); }},
        {"Shift+Tab", [this] { rig->tab(true); }},
        {"a click on a button", [this] { rig->click(toggle); }},
        {"the program", [this] { port->set_focus(other_toggle); }},
        {"a box opening", [this] { open_box(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig->type(field, "440");
        settle();
        messages.clear();
        c.leave();
        settle();
        const std::vector<Message> left = focus_lost_of(field);
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].window, window);
        EXPECT_EQ(port->text(field), "440");
        if (box != 0)
            close_box();
    }
}

// --- The gain bar ---------------------------------------------------------

TEST_P(WindowingContract, BarMovesBeforeItsEvent)
{
    struct Case {
        int start;
        BarMove move;
        int to; // drag only
        int expected;
    };
    const Case cases[] = {
        {44, BarMove::line_right, 0, 45}, {44, BarMove::line_left, 0, 43},  {44, BarMove::page_right, 0, 45},
        {44, BarMove::page_left, 0, 43},  {44, BarMove::drag, 70, 70},      {44, BarMove::drag, 3, 3},
        {0, BarMove::line_left, 0, 0},    {100, BarMove::line_right, 0, 100}, {100, BarMove::page_right, 0, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " move " << static_cast<int>(c.move) << " to " << c.to);
        port->set_scroll_position(bar, c.start);
        rig->move_bar(bar, c.move, c.to);
        const std::vector<Seen> seen = settle();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(of(seen, bar).size(), seen.size());
        // A click is one move; a drag may pass positions on its way.
        if (c.move != BarMove::drag) {
            EXPECT_EQ(seen.size(), 1u);
        }
        EXPECT_EQ(subtypes(seen), std::vector<int>(seen.size(), 0));
        EXPECT_EQ(seen.back().event.window, window);
        EXPECT_EQ(seen.back().position, c.expected);
        EXPECT_EQ(port->scroll_position(bar), c.expected);
    }
}

// --- The event queue and the message handler ------------------------------

TEST_P(WindowingContract, PostedMessagesReachTheHandlerInOrderOnlyInsideTheWaits)
{
    constexpr int count = 100;
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(port->post_message(window, MM_WOM_DONE, 0, 1000 + i));
    // The handler sees every message, whatever its number.
    ASSERT_TRUE(port->post_message(window, 0x8001, 7, -7));
    port->post_event(Event{EventKind::other, window, 77, 0});
    EXPECT_TRUE(messages.empty());

    const Event first = port->wait_event();
    EXPECT_EQ(first.kind, EventKind::other);
    EXPECT_EQ(first.control, 77);
    EXPECT_EQ(port->poll_event().kind, EventKind::none);
    std::vector<Message> posted;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(posted),
                 [](const Message& m) { return m.message == MM_WOM_DONE || m.message == 0x8001; });
    ASSERT_EQ(posted.size(), static_cast<std::size_t>(count + 1));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(posted[i].window, window);
        EXPECT_EQ(posted[i].message, MM_WOM_DONE);
        EXPECT_EQ(posted[i].lparam, 1000 + i);
    }
    EXPECT_EQ(posted[count].message, 0x8001u);
    EXPECT_EQ(posted[count].wparam, 7u);
    EXPECT_EQ(posted[count].lparam, -7);
}

TEST_P(WindowingContract, PostedEventsQueueInOrderAndPollNeverWaits)
{
    EXPECT_EQ(port->poll_event().kind, EventKind::none);
    EXPECT_EQ(port->poll_event().kind, EventKind::none);
    port->post_event(Event{EventKind::control, window, toggle, 1});
    port->post_event(Event{EventKind::close, box, 0, 0});
    port->post_event(Event{EventKind::control, window, field, focus_lost});
    const Event a = port->wait_event();
    const Event b = port->poll_event();
    const Event c = port->wait_event();
    EXPECT_EQ(a.kind, EventKind::control);
    EXPECT_EQ(a.subtype, 1);
    EXPECT_EQ(b.kind, EventKind::close);
    EXPECT_EQ(c.kind, EventKind::control);
    EXPECT_EQ(c.control, field);
    EXPECT_EQ(c.subtype, focus_lost);
    EXPECT_EQ(port->poll_event().kind, EventKind::none);
}

TEST_P(WindowingContract, MessageBoxKeepsDeliveringMessagesUntilAnswered)
{
    for (const WindowHandle owner : {window, WindowHandle{0}}) {
        SCOPED_TRACE(owner == 0 ? "no owner" : "over the main window");
        messages.clear();
        ASSERT_TRUE(port->post_message(window, MM_WOM_DONE, 0, 42));
        rig->answer_message_box();
        port->message_box(owner, "Err!", "Audio Device Not Present");
        EXPECT_EQ(rig->last_message_box(), "Err!|Audio Device Not Present");
        std::vector<Message> done;
        std::copy_if(messages.begin(), messages.end(), std::back_inserter(done),
                     [](const Message& m) { return m.message == MM_WOM_DONE; });
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].window, window);
        EXPECT_EQ(done[0].lparam, 42);
    }
}

// --- Shortcuts -----------------------------------------------------------

TEST_P(WindowingContract, CtrlShiftCVAndFAreShortcutsOfTheMainWindowWhereverItsFocusIs)
{
    struct Case {
        int focus;
        char letter;
        int shortcut; // 0: none
    };
    const Case cases[] = {
        {toggle, 'C', copy_setup_shortcut}, {field, 'V', paste_setup_shortcut}, {field, 'C', copy_setup_shortcut},
        {other_field, 'V', paste_setup_shortcut}, {other_field, 'F', catch_sweep_shortcut}, {other_toggle, 'X', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Ctrl+Shift+" << c.letter << " on " << c.focus);
        port->set_focus(c.focus);
        settle();
        rig->press_ctrl_shift(c.letter);
        const std::vector<Seen> seen = settle();
        if (c.shortcut == 0) {
            EXPECT_TRUE(seen.empty());
            continue;
        }
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].event.kind, EventKind::shortcut);
        EXPECT_EQ(seen[0].event.window, window);
        EXPECT_EQ(seen[0].event.control, c.shortcut);
        // Not a keystroke of the field.
        EXPECT_EQ(port->text(field), "80");
    }
    // The box has none.
    open_box(false);
    rig->press_ctrl_shift('C');
    EXPECT_TRUE(settle().empty());
}

TEST_P(WindowingContract, KeysOfAFieldAreKeyEventsOfItAndChangeNothingThemselves)
{
    enum class Then { key_event, step, nothing };
    struct Case {
        int focus, key, modifiers;
        Then then;
    };
    const Case cases[] = {
        {field, key_up, with_ctrl, Then::key_event},          {field, key_down, with_shift, Then::key_event},
        {other_field, key_page_up, 0, Then::key_event},       {field, key_page_down, with_shift | with_ctrl, Then::key_event},
        {field, key_up, 0, Then::step}, // plain Up stays the field's own
        {toggle, key_page_up, 0, Then::nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << c.modifiers << " on " << c.focus);
        port->set_field_value(field, 80);
        port->set_focus(c.focus);
        settle();
        rig->press_key(c.key, c.modifiers);
        const std::vector<Seen> seen = settle();
        EXPECT_EQ(port->text(field), c.then == Then::step ? "81" : "80");
        if (c.then == Then::nothing) {
            EXPECT_TRUE(seen.empty());
        } else if (c.then == Then::step) {
            ASSERT_FALSE(seen.empty());
            EXPECT_EQ(seen.back().event.subtype, step_up);
        } else {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].event.kind, EventKind::key);
            EXPECT_EQ(seen[0].event.window, window);
            EXPECT_EQ(seen[0].event.control, c.focus);
            EXPECT_EQ(seen[0].event.subtype, c.key);
            EXPECT_EQ(seen[0].event.modifiers, c.modifiers);
        }
    }
}

// --- Windows, focus and Tab -----------------------------------------------

TEST_P(WindowingContract, TabWalksTheTabStopsInCreationOrderAndWraps)
{
    struct Step {
        bool backwards;
        int focus;
    };
    const Step main_steps[] = {{false, other_toggle}, {false, field}, {false, other_field}, {false, toggle},
                               {true, other_field},   {true, field}};
    port->set_focus(toggle);
    settle();
    EXPECT_TRUE(rig->has_focus(toggle));
    for (const Step& s : main_steps) {
        rig->tab(s.backwards);
        settle();
        EXPECT_TRUE(rig->has_focus(s.focus)) << (s.backwards ? "Shift+Tab to " : "Tab to ") << s.focus;
        EXPECT_EQ(port->focus(), s.focus); // as the program reads it
    }

    open_box(false);
    EXPECT_TRUE(rig->has_focus(first_button));
    const Step box_steps[] = {{false, first_button + 1}, {false, first_button + 2}, {false, first_button},
                              {true, first_button + 2},  {true, first_button + 1}};
    for (const Step& s : box_steps) {
        rig->tab(s.backwards);
        settle();
        EXPECT_TRUE(rig->has_focus(s.focus)) << (s.backwards ? "Shift+Tab to " : "Tab to ") << s.focus;
    }
}

TEST_P(WindowingContract, DestroyedWindowTakesItsControlsAndTheirNumbers)
{
    port->set_focus(toggle);
    open_box(false);
    EXPECT_TRUE(rig->has_focus(first_button));
    ASSERT_TRUE(port->post_message(box, MM_WOM_DONE, 0, 1)); // still queued when it goes
    close_box();
    settle();
    EXPECT_EQ(port->text(first_button), "");
    EXPECT_FALSE(port->checked(first_button));
    // The focus goes back where it was in the window below.
    EXPECT_TRUE(rig->has_focus(toggle));

    // Messages for a window that is gone reach nobody.
    const WindowHandle gone = boxes->open_box(" gone", 40, 190, 100, 50, false);
    ASSERT_NE(gone, 0u);
    rig->await_front(gone);
    port->destroy_window(gone);
    rig->await_front(window);
    static_cast<void>(port->post_message(gone, MM_WOM_DONE, 0, 2));
    settle();
    EXPECT_TRUE(std::none_of(messages.begin(), messages.end(), [](const Message& m) { return m.message == MM_WOM_DONE; }));

    // Its numbers are free again; a window that is gone takes no controls.
    EXPECT_FALSE(port->create_control(gone, {first_button + 1, ControlKind::push_button, 5, 5, 60, 23, "Gone"}));
    EXPECT_TRUE(port->create_control(window, {first_button, ControlKind::push_button, 200, 100, 60, 23, "Again"}));
    EXPECT_EQ(port->text(first_button), "Again");
    // A number in use is refused.
    EXPECT_FALSE(port->create_control(window, {toggle, ControlKind::push_button, 200, 150, 60, 23, "Twice"}));
    EXPECT_EQ(port->text(toggle), "OFF");
}

} // namespace tonegen::contract
