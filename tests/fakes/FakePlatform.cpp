#include "fakes/FakePlatform.h"

#include "support/TestEnvironment.h"

FakePlatform::FakePlatform()
    : paths(TestEnvironment::home() + QStringLiteral("/.local/share/Vantle"),
            QStringLiteral(KAIDRO_RESOURCES_DIR))
{
    screens.setScreens({FakeScreens::make(QStringLiteral("main"), QRectF(0, 0, 1440, 900), 25)});
}
