// What a Qt Widgets window with the main window's controls costs on its own:
// the floor that bench/program_activity.sh sets the program's memory
// beside. The same table of controls as the program builds (the core's
// main_window_controls), each as the Qt layer makes it, and nothing else:
// no sound, no recordings, no About box. It runs until its window is closed.
#include "model/settings.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QString>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("tonegen baseline window");
    window.setFixedSize(tonegen::main_window_width, tonegen::main_window_height);

    tonegen::Settings s{};
    tonegen::apply_defaults(s);
    for (const tonegen::ControlSpec& c : tonegen::main_window_controls(s)) {
        const QString caption = QString::fromStdString(c.caption);
        QWidget* w = nullptr;
        switch (c.kind) {
        case tonegen::ControlKind::toggle_button:
        case tonegen::ControlKind::push_button: {
            auto* button = new QPushButton(caption, &window);
            button->setCheckable(c.kind == tonegen::ControlKind::toggle_button);
            w = button;
            break;
        }
        case tonegen::ControlKind::frame:
            w = new QGroupBox(&window);
            break;
        case tonegen::ControlKind::text_label:
        case tonegen::ControlKind::picture:
            w = new QLabel(caption, &window);
            break;
        case tonegen::ControlKind::frequency_field: {
            auto* field = new QSpinBox(&window);
            field->setRange(c.range_min, c.range_max);
            field->setValue(caption.toInt());
            w = field;
            break;
        }
        case tonegen::ControlKind::gain_scroll_bar: {
            auto* bar = new QScrollBar(Qt::Horizontal, &window);
            bar->setRange(c.range_min, c.range_max);
            w = bar;
            break;
        }
        }
        w->setGeometry(c.x, c.y, c.width, c.height);
    }
    window.show();
    return QApplication::exec();
}
