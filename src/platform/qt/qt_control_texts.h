// Tooltips and the texts of assistive technology over Qt Widgets.
//
// How it works: a control's tooltip is its widget's own, and so are its
// accessible name and description; a tooltip already up over the control
// shows a new text at once. The value that assistive technology reads comes
// from the interfaces of qt_accessibility.h, which the windowing port gives
// the widgets that need one as it makes them. This object keeps nothing of
// its own: it finds the widgets through the windowing port.
#pragma once

#include "platform/control_texts_port.h"
#include "platform/qt/qt_windowing.h"

namespace tonegen::qt {

class QtControlTexts final : public ControlTextsPort {
public:
    explicit QtControlTexts(const QtWindowing& windowing) : windowing_(windowing) {}

    void set_tooltip(int id, std::string_view text) override;
    void set_accessible_name(int id, std::string_view text) override;
    void set_accessible_description(int id, std::string_view text) override;
    void set_accessible_value(int id, std::string_view text) override;

private:
    const QtWindowing& windowing_;
};

} // namespace tonegen::qt
