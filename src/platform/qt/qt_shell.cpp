#include "platform/qt/qt_shell.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tonegen::qt {

void QtShell::open_address(std::string_view address)
{
    const QString argument = QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()));
    static_cast<void>(QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{argument}));
}

} // namespace tonegen::qt
