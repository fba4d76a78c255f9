// The About box's support in QtWindowing (qt_windowing.h). A box is a
// top-level window like the main window, kept on top and centred as a whole
// (frame included) once it is shown. Pictures are pixmaps made from the BMP
// image after the program's own check of it, kept for the run. Texts are
// measured with the metrics of the fixed-pitch system font at 10 points,
// which stands for "system fixed" and is kept for the run.
#include "platform/qt/qt_windowing.h"

#include "platform/qt/qt_text.h"

#include "formats/bitmap_file.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tonegen::qt {

bool QtWindowing::program_in_foreground()
{
    const QWidget* active = QApplication::activeWindow();
    if (!active)
        return false;
    return std::any_of(windows_.begin(), windows_.end(),
                       [active](const auto& w) { return w.second.get() == active; });
}

ImageHandle QtWindowing::load_picture(std::span<const unsigned char> bitmap_file)
{
    // Qt's reader takes what it can of a cut-off image; the program's own
    // check refuses it, as on every platform.
    QImage image;
    if (!bitmap_file_parts(bitmap_file) ||
        !image.loadFromData(bitmap_file.data(), static_cast<int>(bitmap_file.size()), "BMP"))
        return 0;
    const ImageHandle handle = pictures_.size() + 1;
    pictures_[handle] = QPixmap::fromImage(image);
    return handle;
}

int QtWindowing::open_measuring()
{
    // The fixed-pitch system font at 10 points stands for "system fixed".
    if (!box_font_) {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (drawing_scale_ == 100)
            font.setPointSize(10);
        else
            font.setPointSizeF(10 * drawing_scale_ / 100.0);
        font.setWeight(QFont::Normal);
        // Whole-pixel cells, as a bitmap font has: the About layout adds up
        // the widths of words measured one by one.
        font.setHintingPreference(QFont::PreferFullHinting);
        box_font_ = font;
    }
    measuring_ = true;
    return measuring_ready;
}

TextSize QtWindowing::measure_text(std::string_view text)
{
    if (!measuring_)
        return {0, 0};
    const QFontMetrics metrics(*box_font_);
    return {metrics.horizontalAdvance(to_qstring(text)), metrics.height()};
}

void QtWindowing::close_measuring()
{
    measuring_ = false;
}

WindowHandle QtWindowing::open_box(std::string_view title, int x, int y, int client_width, int client_height,
                                   bool centred)
{
    const WindowHandle handle = make_window(title, client_width, client_height, Qt::WindowStaysOnTopHint);
    if (handle == 0)
        return 0;
    QWidget* box = windows_.at(handle).get();
    box->move(x, y);
    box->show();
    // The frame is known once the box is shown; the whole box is centred.
    if (const QScreen* screen = QGuiApplication::primaryScreen(); centred && screen) {
        const QRect area = screen->geometry();
        const QSize outer = box->frameGeometry().size();
        box->move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
    box->raise();
    box->activateWindow();
    return handle;
}

const QPixmap* QtWindowing::picture(ImageHandle image) const
{
    const auto it = pictures_.find(image);
    return it == pictures_.end() ? nullptr : &it->second;
}

} // namespace tonegen::qt
