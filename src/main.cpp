#include "shell/Startup.h"

int main(int argc, char** argv) {
    return shell::_Startup(argc, argv);
}
