/* GSM 06.10 as the standard computes it: libgsm's own source, built with its integer
 * arithmetic (without USE_FLOAT_MUL and FAST). Reads 16-bit native-endian samples from
 * standard input and writes one 65-byte WAV49 block (two frames) for every 320 samples, as
 * one encoder run over the whole input; a short end is left out.
 *
 *     gsm-standard-encode < samples.raw > blocks.gsm */
#include <gsm.h>
#include <stdio.h>

int main(void) {
    gsm handle = gsm_create();
    int one = 1;
    if (!handle || gsm_option(handle, GSM_OPT_WAV49, &one) < 0) return 1;
    gsm_signal pcm[320];
    gsm_byte block[65];
    while (fread(pcm, sizeof pcm[0], 320, stdin) == 320) {
        gsm_encode(handle, pcm, block);
        gsm_encode(handle, pcm + 160, block + 32);
        if (fwrite(block, 1, sizeof block, stdout) != sizeof block) return 1;
    }
    gsm_destroy(handle);
    return fflush(stdout) == 0 ? 0 : 1;
}
