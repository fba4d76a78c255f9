// The control texts port's contract (src/platform/control_texts_port.h),
// once for every platform, on the windowing contract's window and rig.
#include "contract/windowing_contract.h"

namespace tonegen::contract {

TEST_P(ControlTextsContract, TooltipsAndAccessibleTextsReadBackAsSetAndChangeNothingElse)
{
    // Every kind of control of a tone row and a toggle, with the characters
    // the program's texts carry beyond ASCII (minus, almost equal, dot).
    struct Case {
        int id;
        const char* tooltip;
        const char* name;
        const char* value; // none for a toggle
    };
    const Case cases[] = {
        {field, "Tone 4: 1000 Hz \u2248 B5 +21 cents \u00B7 gain 44 % \u00B7 peak \u221226.56 dBFS",
         "Frequency of tone 4", "1000 hertz"},
        {bar, "Tone 4: 1000 Hz \u2248 B5 +21 cents \u00B7 gain 44 % \u00B7 off", "Gain of tone 4",
         "44 per cent, \u221226.56 dBFS"},
        {label, "Tone 4: gain 44 %", "Gain in per cent of tone 4", "44 per cent"},
        {toggle, "Twenty-tone mix: worst-case peak \u22120.54 dBFS \u00B7 paused", "ON/OFF", nullptr},
    };
    port->set_scroll_position(bar, 44);
    const std::string field_text = port->text(field);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        texts->set_tooltip(c.id, c.tooltip);
        texts->set_accessible_name(c.id, c.name);
        texts->set_accessible_description(c.id, c.tooltip);
        if (c.value)
            texts->set_accessible_value(c.id, c.value);
        EXPECT_EQ(rig->tooltip(c.id), c.tooltip);
        EXPECT_EQ(rig->said(c.id, Said::name), c.name);
        EXPECT_EQ(rig->said(c.id, Said::description), c.tooltip);
        if (c.value) {
            EXPECT_EQ(rig->said(c.id, Said::value), c.value);
        }
    }
    // Nothing else moved: no event, captions, state, value and position kept.
    EXPECT_TRUE(settle().empty());
    EXPECT_EQ(port->text(toggle), "OFF");
    EXPECT_FALSE(port->checked(toggle));
    EXPECT_EQ(port->text(label), "44");
    EXPECT_EQ(port->text(field), field_text);
    EXPECT_EQ(port->field_value(field), 80);
    EXPECT_EQ(port->scroll_position(bar), 44);
    EXPECT_TRUE(rig->has_focus(toggle));
    const WindowPlace before = rig->place(window);
    EXPECT_EQ(before.client_width, 300);
    EXPECT_EQ(before.client_height, 200);

    // Controls that are not there take nothing and break nothing.
    texts->set_tooltip(999, "none");
    texts->set_accessible_name(999, "none");
    texts->set_accessible_description(999, "none");
    texts->set_accessible_value(999, "none");
    EXPECT_TRUE(settle().empty());
}

TEST_P(ControlTextsContract, NewTextsReplaceTheOldOnesAndOutliveTheUsersChanges)
{
    for (const int id : {field, bar}) {
        texts->set_tooltip(id, "first");
        texts->set_accessible_name(id, "first name");
        texts->set_accessible_value(id, "first value");
    }
    // The user changes both controls; the platform keeps the program's texts
    // until the program sends new ones.
    rig->type(field, "1000");
    rig->move_bar(bar, BarMove::drag, 30);
    settle();
    for (const int id : {field, bar}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(rig->tooltip(id), "first");
        EXPECT_EQ(rig->said(id, Said::name), "first name");
        EXPECT_EQ(rig->said(id, Said::value), "first value");
    }
    for (const char* text : {"second, longer than the first one by far \u00B7 \u2212", "3rd"}) {
        SCOPED_TRACE(text);
        for (const int id : {field, bar}) {
            texts->set_tooltip(id, text);
            texts->set_accessible_value(id, text);
            EXPECT_EQ(rig->tooltip(id), text);
            EXPECT_EQ(rig->said(id, Said::value), text);
            EXPECT_EQ(rig->said(id, Said::name), "first name");
        }
    }
    EXPECT_TRUE(settle().empty());
    EXPECT_EQ(port->field_value(field), 1000);
    EXPECT_EQ(port->scroll_position(bar), 30);
}

} // namespace tonegen::contract
