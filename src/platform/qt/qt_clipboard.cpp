#include "platform/qt/qt_clipboard.h"

#include "platform/qt/qt_text.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tonegen::qt {

std::string QtClipboard::clipboard_text()
{
    return QGuiApplication::clipboard()->text().toStdString();
}

void QtClipboard::set_clipboard_text(std::string_view text)
{
    QGuiApplication::clipboard()->setText(to_qstring(text));
}

} // namespace tonegen::qt
