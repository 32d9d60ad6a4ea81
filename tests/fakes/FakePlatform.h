#pragma once

#include "fakes/FakeAppPaths.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeProcessTable.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSystemLog.h"
#include "fakes/FakeToolRunner.h"
#include "fakes/FakeUserDefaults.h"

// One of every fake, owned by the test. `screens` starts with one 1440 x 900 display whose
// visible frame leaves 25 points for a top bar.
struct FakePlatform
{
    FakePlatform();

    FakeClock clock;
    FakeScreens screens;
    FakeUserDefaults defaults;
    FakeAppPaths paths;
    FakeSystemLog log;
    FakeToolRunner tools;
    FakeProcessTable processes;
};
