// The main of every Qt test program: widgets on Qt's offscreen platform
// unless QT_QPA_PLATFORM asks for another (a run under X can ask for xcb),
// one QApplication for the whole run, kept when its last window closes.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
