#include "aurx/SoundLibraries.h"

#include "platform/wave/SoundLibraries.h"

namespace aurx {

void prepareSoundLibraries() {
    wave::quietSoundLibraries();
    wave::filterPortAudioAssertions();
    wave::hideCardEncoderWithoutCards();
}

}  // namespace aurx
