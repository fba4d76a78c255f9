// The in-process half of the end-to-end tests' probe of the Linux program.
//
// Qt loads it as a generic plugin into the unchanged program
// (QT_PLUGIN_PATH names the folder above generic/, and
// QT_QPA_GENERIC_PLUGINS=tonegen_probe:SOCKET). It listens on the local
// socket SOCKET and answers one request per connection, on the GUI thread
// whenever the program waits for events, much as Win32 carries WM_GETTEXT
// and friends between processes for the Windows probe:
//
//   controls TITLE    one line per control of the window titled TITLE
//                     (number, class, rectangle, state, text)
//   focus TITLE       number of the control that has the focus, -1 for none
//   position TITLE    "X Y" of the window's top-left corner on the screen
//   accessible TITLE  name, value and description of each numbered control
//
// A request is the command and the title separated by a tab, ended by a
// newline; the answer's first line is "ok" or "error REASON". Controls are
// known by their numbers, which the windowing layer gives them as object
// names. Classes are named as on Windows (Button, Edit, ScrollBar, Static),
// so that one set of checks reads both programs (qt_probe.cpp).
#include <QAccessible>
#include <QApplication>
#include <QGenericPlugin>
#include <QGroupBox>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QLineEdit>
#include <QWidget>

namespace {

int number_of(const QWidget* w)
{
    bool ok = false;
    const int id = w->objectName().toInt(&ok);
    return ok ? id : -1;
}

QString class_of(const QWidget* w)
{
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QGroupBox*>(w))
        return QStringLiteral("Button");
    if (qobject_cast<const QSpinBox*>(w))
        return QStringLiteral("Edit");
    if (qobject_cast<const QScrollBar*>(w))
        return QStringLiteral("ScrollBar");
    if (qobject_cast<const QLabel*>(w))
        return QStringLiteral("Static");
    return QString::fromLatin1(w->metaObject()->className());
}

QString text_of(const QWidget* w)
{
    if (const auto* button = qobject_cast<const QPushButton*>(w))
        return button->text();
    if (const auto* field = qobject_cast<const QSpinBox*>(w))
        return field->findChild<QLineEdit*>()->text();
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    return {};
}

QWidget* window_titled(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    }
    return nullptr;
}

// The widgets inside the window (not the boxes it owns).
QList<QWidget*> controls_of(QWidget* top)
{
    QList<QWidget*> out;
    for (QWidget* w : top->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isWindow())
            out.push_back(w);
    }
    return out;
}

QString list_controls(QWidget* top)
{
    QString out;
    for (const QWidget* c : controls_of(top)) {
        const auto* button = qobject_cast<const QPushButton*>(c);
        const auto* bar = qobject_cast<const QScrollBar*>(c);
        const QRect r = c->geometry();
        out += QStringLiteral("id=%1 class=%2 x=%3 y=%4 w=%5 h=%6 checked=%7 pos=%8 text=%9\n")
                   .arg(number_of(c))
                   .arg(class_of(c))
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height())
                   .arg(button && button->isChecked() ? 1 : 0)
                   .arg(bar ? bar->value() : 0)
                   .arg(text_of(c));
    }
    return out;
}

QString focused_control(QWidget* top)
{
    QWidget* w = QApplication::focusWidget();
    while (w && w->parentWidget() != top)
        w = w->parentWidget();
    return QString::number(w ? number_of(w) : -1) + QLatin1Char('\n');
}

QString list_accessible(QWidget* top)
{
    QString out;
    for (QWidget* c : controls_of(top)) {
        if (number_of(c) < 0)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        out += QStringLiteral("id=%1 name=%2|value=%3|description=%4\n")
                   .arg(number_of(c))
                   .arg(a ? a->text(QAccessible::Name) : QString())
                   .arg(a ? a->text(QAccessible::Value) : QString())
                   .arg(a ? a->text(QAccessible::Description) : QString());
    }
    return out;
}

QString answer(const QString& request)
{
    const QStringList parts = request.split(QLatin1Char('\t'));
    if (parts.size() != 2)
        return QStringLiteral("error a request is COMMAND<tab>TITLE\n");
    QWidget* top = window_titled(parts[1]);
    if (!top)
        return QStringLiteral("error no window titled '%1'\n").arg(parts[1]);
    const QString& command = parts[0];
    QString body;
    if (command == QLatin1String("controls"))
        body = list_controls(top);
    else if (command == QLatin1String("focus"))
        body = focused_control(top);
    else if (command == QLatin1String("position"))
        body = QStringLiteral("%1 %2\n").arg(top->frameGeometry().x()).arg(top->frameGeometry().y());
    else if (command == QLatin1String("accessible"))
        body = list_accessible(top);
    else
        return QStringLiteral("error unknown command %1\n").arg(command);
    return QStringLiteral("ok\n") + body;
}

class ProbeServer final : public QLocalServer {
public:
    explicit ProbeServer(const QString& path)
    {
        QLocalServer::removeServer(path);
        if (!listen(path))
            qWarning("tonegen_probe: cannot listen on %s", qPrintable(path));
        static_cast<void>(connect(this, &QLocalServer::newConnection, this, &ProbeServer::take));
    }

private:
    void take()
    {
        while (QLocalSocket* socket = nextPendingConnection()) {
            static_cast<void>(connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater));
            static_cast<void>(connect(socket, &QLocalSocket::readyRead, socket, [socket] {
                if (!socket->canReadLine())
                    return;
                const QString request = QString::fromUtf8(socket->readLine()).chopped(1);
                socket->write(answer(request).toUtf8());
                socket->disconnectFromServer();
            }));
        }
    }
};

class ProbePlugin final : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "qt_probe_plugin.json")

public:
    QObject* create(const QString& key, const QString& argument) override
    {
        if (key != QLatin1String("tonegen_probe") || argument.isEmpty())
            return nullptr;
        return new ProbeServer(argument);
    }
};

} // namespace

#include "qt_probe_plugin.moc"
