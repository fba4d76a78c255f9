// The fake's control texts: kept on each control as last set, and counted.
#include "platform/sim/sim_windowing.h"

namespace tonegen::sim {

void SimWindowing::set_said(int id, std::string SimControl::*text, std::string_view value)
{
    if (SimControl* c = find(id)) {
        c->*text = std::string(value);
        ++texts_sent;
    }
}

void SimWindowing::set_tooltip(int id, std::string_view text)
{
    set_said(id, &SimControl::tooltip, text);
}

void SimWindowing::set_accessible_name(int id, std::string_view text)
{
    set_said(id, &SimControl::accessible_name, text);
}

void SimWindowing::set_accessible_description(int id, std::string_view text)
{
    set_said(id, &SimControl::accessible_description, text);
}

void SimWindowing::set_accessible_value(int id, std::string_view text)
{
    set_said(id, &SimControl::accessible_value, text);
}

} // namespace tonegen::sim
