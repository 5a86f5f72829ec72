// parlaro: the call recorder's desktop program.
#include "app/startup/ProgramMain.h"
#include "aurx/SoundLibraries.h"

int main(int argc, char** argv) {
    // What the sound libraries print, and what PortAudio is shown, are the program's to set.
    aurx::prepareSoundLibraries();
    return parlaro::Main(argc, argv);
}
