#pragma once

// The program: builds the application, installs the desktop's services, runs the delegate.
class VantleApp final
{
public:
    static int run(int argc, char **argv);
};
