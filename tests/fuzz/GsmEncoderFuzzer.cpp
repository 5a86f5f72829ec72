// Arbitrary bytes, read as 16-bit samples, through our GSM 6.10 encoder and libgsm's: every
// block must be the same, and nothing may overflow on the way (the build checks for undefined
// behaviour). The first byte picks a gain, so that quiet signals get as much attention as loud.
#include <gsm.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/codecs/GsmEncoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int shift = data[0] % 16;
    ++data;
    --size;
    std::vector<std::int16_t> pcm((size / 2 + 319) / 320 * 320);
    for (std::size_t i = 0; i < size / 2; ++i)
        pcm[i] = static_cast<std::int16_t>(
            static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8) >> shift);

    gsm reference = gsm_create();
    int one = 1;
    gsm_option(reference, GSM_OPT_WAV49, &one);
    aurx::codecs::GsmEncoder ours;
    for (std::size_t b = 0; b < pcm.size(); b += 320) {
        std::uint8_t expected[65];
        std::uint8_t got[65];
        gsm_encode(reference, pcm.data() + b, expected);
        gsm_encode(reference, pcm.data() + b + 160, expected + 32);
        ours.encodeBlock(pcm.data() + b, got);
        if (std::memcmp(expected, got, sizeof got) != 0) std::abort();
    }
    gsm_destroy(reference);
    return 0;
}
