// How it works: see qt_desktop_identity.h.
#include "platform/qt/qt_desktop_identity.h"

#include "version.h"

#include <QApplication>
#include <QIcon>
#include <QString>

#include <cstdlib>
#include <string>
#include <vector>

namespace tonegen::qt {

namespace {

struct ClientProperty {
    const char* key;
    const char* value;
    bool replaces_qt; // Qt sets this one itself: only PULSE_PROP_OVERRIDE_ changes it
};

constexpr ClientProperty client_properties[] = {
    {"application.name", version::program, true},
    {"application.icon_name", version::program, false}, // the icon's name in the icon theme
    {"application.version", version::number, false},
    {"media.role", "test", false},
};

// Names of the variables name_sound_client put into the environment.
std::vector<std::string>& added_variables()
{
    static std::vector<std::string> names;
    return names;
}

} // namespace

void name_sound_client()
{
    for (const ClientProperty& p : client_properties) {
        const std::string plain = std::string("PULSE_PROP_") + p.key;
        const std::string replacing = std::string("PULSE_PROP_OVERRIDE_") + p.key;
        if (std::getenv(plain.c_str()) || std::getenv(replacing.c_str()))
            continue;
        const std::string& name = p.replaces_qt ? replacing : plain;
        if (::setenv(name.c_str(), p.value, 0) == 0)
            added_variables().push_back(name);
    }
}

void name_application()
{
    QGuiApplication::setApplicationVersion(QString::fromUtf8(version::number));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(version::desktop_id));
    // Found once the program is installed; from the build tree there is none.
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(version::program)));
}

QProcessEnvironment child_environment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& name : added_variables())
        environment.remove(QString::fromStdString(name));
    return environment;
}

} // namespace tonegen::qt
