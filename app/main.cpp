// parlaro: the call recorder's desktop program.
#include "app/startup/ProgramMain.h"

int main(int argc, char** argv) {
    return parlaro::Main(argc, argv);
}
