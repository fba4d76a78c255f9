#include "platform/qt/qt_shell.h"

#include "platform/qt/qt_desktop_identity.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace tonegen::qt {

void QtShell::open_address(std::string_view address)
{
    const QString argument = QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()));
    QProcess xdg_open;
    xdg_open.setProgram(QStringLiteral("xdg-open"));
    xdg_open.setArguments(QStringList{argument});
    xdg_open.setProcessEnvironment(child_environment());
    static_cast<void>(xdg_open.startDetached());
}

} // namespace tonegen::qt
