// A GSM 06.10 full-rate encoder that writes the WAV form of the codec (two frames in one
// 65-byte block). It follows the standard's fixed-point arithmetic step for step, so its
// blocks are the same, bit for bit, as every other conforming encoder's (libgsm, sox); it
// exists because the recorder encodes all day, and this one costs a fraction of libgsm's time.
#pragma once

#include <array>
#include <cstdint>

namespace aurx::codecs {

class GsmEncoder {
  public:
    static constexpr int kFrameSamples = 160;
    static constexpr int kBlockSamples = 2 * kFrameSamples;
    static constexpr int kBlockBytes = 65;

    // Encodes 320 samples (two frames) into one block.
    void encodeBlock(const std::int16_t* samples, std::uint8_t* block);
    // Forgets the past, as a new stream starts.
    void reset() { *this = GsmEncoder{}; }

    // What one frame is coded into.
    struct Frame {
        std::array<std::int16_t, 8> lar{};      // log-area ratios, coded
        std::array<std::int16_t, 4> lag{};      // long-term predictor lag (Nc), per sub-frame
        std::array<std::int16_t, 4> gain{};     // long-term predictor gain (bc)
        std::array<std::int16_t, 4> grid{};     // RPE grid position (Mc)
        std::array<std::int16_t, 4> scale{};    // block maximum, coded (xmaxc)
        std::array<std::int16_t, 52> pulses{};  // 13 RPE pulses per sub-frame (xMc)
    };
    Frame encodeFrame(const std::int16_t* samples);

  private:
    void preprocess(const std::int16_t* in, std::int16_t* out);
    void shortTermAnalysis(const Frame& frame, std::int16_t* s);

    // Input filters.
    std::int16_t offsetPrevious_ = 0;    // z1
    std::int64_t offsetState_ = 0;       // L_z2
    std::int16_t emphasisPrevious_ = 0;  // mp
    // Short-term analysis lattice and the previous frame's decoded log-area ratios.
    std::array<std::int16_t, 8> lattice_{};
    std::array<std::int16_t, 8> previousLar_{};
    // The reconstructed short-term residual: 120 samples of the past, then this frame's 160.
    std::array<std::int16_t, 280> residual_{};
};

// The short-term analysis lattice over one frame, in two forms: plain, and eight stages side by
// side in a vector where the processor has SSSE3 (which the encoder uses when it can).
namespace gsm_lattice {
enum class Kind { Plain, Wide };
bool wideAvailable();
// u: the lattice's state; rp: the coefficients for samples 0..12, 13..26, 27..39, 40..159.
void run(Kind kind, std::int16_t* u, const std::int16_t (*rp)[8], std::int16_t* s);
}  // namespace gsm_lattice

}  // namespace aurx::codecs
