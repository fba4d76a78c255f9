// The Qt layer's frequency field over any text: whatever is typed or set,
// the field's value stays within its range, is the typed number when that is
// a whole number in range and the last value otherwise, and setting a value
// rewrites the text as the plain number.
#include "platform/qt/qt_windowing.h"
#include "ui/number_text.h"

#include "fuzz_target.h"

#include <QApplication>
#include <QByteArray>

#include <memory>
#include <string>

namespace {

constexpr int field = 3;

struct Field {
    Field()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qt_field_fuzz";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        windowing = std::make_unique<tonegen::qt::QtWindowing>();
        const tonegen::WindowHandle window = windowing->open_window("fuzz", 0, 0, 200, 100);
        FUZZ_CHECK(window != 0);
        FUZZ_CHECK(windowing->create_control(
            window, {field, tonegen::ControlKind::frequency_field, 10, 10, 78, 20, "", 22, 22050}));
    }
    std::unique_ptr<QApplication> app;
    std::unique_ptr<tonegen::qt::QtWindowing> windowing;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Made once and never ended: Qt's own globals are gone by the time the
    // process's static objects would be destroyed.
    static Field& f = *new Field;
    tonegen::qt::QtWindowing& w = *f.windowing;
    const std::int64_t before = w.field_value(field);

    const std::string typed(reinterpret_cast<const char*>(data), size);
    w.set_text(field, typed);
    // What the field holds: Qt keeps text as UTF-16 and a line edit keeps
    // what fits it, so it may differ from the bytes given.
    const std::string held = w.text(field);
    const std::int64_t value = w.field_value(field);
    const std::optional<std::int64_t> whole = tonegen::whole_number_in_range(held, 22, 22050);
    FUZZ_CHECK(value == (whole ? *whole : before));

    w.set_field_value(field, tonegen::text_to_number(held));
    FUZZ_CHECK(w.field_value(field) >= 22 && w.field_value(field) <= 22050);
    FUZZ_CHECK(w.text(field) == std::to_string(w.field_value(field)));
    while (w.poll_event().kind != tonegen::EventKind::none) {
    }
    return 0;
}
