#include "app/VantleApp.h"

int main(int argc, char **argv)
{
    return VantleApp::run(argc, argv);
}
