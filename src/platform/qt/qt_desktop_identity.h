// How the Linux program makes itself known to the desktop: to the window
// system by its desktop entry and icon, to the sound server as "tonegen"
// with its icon and the role of test signals, so that a volume control
// lists its streams under the program's name.
//
// How it works: the program reaches the sound server through two kinds of
// client: Qt 6.4's PulseAudio backend, which lists the devices, connects as
// "QtPulseAudio:<pid>" and offers no call for a client's properties, and the
// connections of the program's own streams (qt_pulse_sink.h). libpulse adds
// the environment's PULSE_PROP_<key> variables to a client's properties
// when it connects (PULSE_PROP_OVERRIDE_<key> replaces a value the program
// gave itself), and the server hands every stream those properties of its
// client that the stream lacks. So the properties go into the environment
// before Qt starts any thread, and stay there for every connection, which
// the streams make again after a lost server.
// Programs started from here (the browser, through xdg-open) get the
// environment without them, lest their sound be listed as tonegen's.
#pragma once

#include <QProcessEnvironment>

namespace tonegen::qt {

// Call before the QApplication is made. A property the user has already put
// into the environment is left as the user set it.
void name_sound_client();

// Call once the QApplication exists: the desktop entry the windows belong to
// and the window icon, from the icon theme.
void name_application();

// The environment for programs this one starts: the process's own, less the
// variables name_sound_client added.
QProcessEnvironment child_environment();

} // namespace tonegen::qt
