// What a control says beyond its caption: its tooltip, and the texts that
// assistive technology reads out for it.
//
// Contract:
// - Everything here is called on the GUI thread only, for controls made
//   through the windowing port (windowing_port.h); unknown controls are
//   ignored.
// - These texts change nothing else: no event, no caption, state, value,
//   position or size of any control.
// - No method throws.
#pragma once

#include <string_view>

namespace tonegen {

class ControlTextsPort {
public:
    virtual ~ControlTextsPort() = default;

    // Texts are UTF-8; an empty text removes one. The tooltip shows while
    // the pointer rests on the control. Name, description and value are what
    // assistive technology reads out for it: the value stands in for what
    // the control's own state would say (a gain bar at 44 reads "44 per
    // cent, ...", not "44"); a control given no value keeps its own. Each
    // call replaces one text, and assistive technology that listens
    // announces the change, so callers send only texts that changed.
    virtual void set_tooltip(int id, std::string_view text) = 0;
    virtual void set_accessible_name(int id, std::string_view text) = 0;
    virtual void set_accessible_description(int id, std::string_view text) = 0;
    virtual void set_accessible_value(int id, std::string_view text) = 0;
};

} // namespace tonegen
