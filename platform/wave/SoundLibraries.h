// Settings of the sound libraries that belong to the whole process: their complaints on
// stderr and ALSA's configuration as PortAudio reads it. Nothing here is done by the devices
// themselves; a program makes these settings once, at the start of main (aurx/SoundLibraries.h).
#pragma once

#include <string>
#include <string_view>

namespace aurx::wave {

// Sets ALSA's error handler and JACK's error and information functions to drop their
// complaints (about cards and servers this machine lacks).
void quietSoundLibraries();

// On a machine without sound cards, takes the AC-3 encoder `a52` (which only feeds a card)
// out of this process's ALSA configuration, so that PortAudio does not load it to ask.
void hideCardEncoderWithoutCards();

// Makes the C library's stderr a stream that writes to descriptor 2 everything but
// PortAudio's assertion lines, also when they come in pieces. Once per process; later calls
// do nothing.
void filterPortAudioAssertions();

// A line PortAudio's ALSA host prints for each failed call of a stream whose device went away:
// "Expression '…' failed in 'src/hostapi/…', line: N", ending with its line feed.
bool isPortAudioAssertion(std::string_view line);

// `text` without its whole lines that are PortAudio's assertions.
std::string withoutPortAudioAssertions(std::string_view text);

}  // namespace aurx::wave
