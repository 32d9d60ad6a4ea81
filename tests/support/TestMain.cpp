#include "support/TestEnvironment.h"

#include <QApplication>

#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    TestEnvironment::isolate();
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
