#include "platform/codecs/GsmEncoder.h"

#include <algorithm>
#include <bit>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace aurx::codecs {
namespace {

using Word = std::int16_t;
using Long = std::int64_t;

// The standard's arithmetic on 16-bit words and 32-bit long words. Values are stored to a word
// by truncation wherever the standard stores them so; saturation happens only where it says.
constexpr Word kMaxWord = 32767;
constexpr Word kMinWord = -32768;
constexpr Long kMaxLong = 2147483647;
constexpr Long kMinLong = -2147483648LL;

constexpr Word saturate(Long v) {
    return static_cast<Word>(v > kMaxWord ? kMaxWord : v < kMinWord ? kMinWord : v);
}
constexpr Word add(Long a, Long b) {
    return saturate(a + b);
}
constexpr Word sub(Long a, Long b) {
    return saturate(a - b);
}
constexpr Long addLong(Long a, Long b) {
    const Long v = a + b;
    return v > kMaxLong ? kMaxLong : v < kMinLong ? kMinLong : v;
}
// a * b / 2^15, rounded or not; the caller stores the result.
constexpr Long multRound(Long a, Long b) {
    return (a * b + 16384) >> 15;
}
constexpr Long mult(Long a, Long b) {
    return (a * b) >> 15;
}
constexpr Word absolute(Word a) {
    return a < 0 ? (a == kMinWord ? kMaxWord : static_cast<Word>(-a)) : a;
}
constexpr Word word(Long v) {
    return static_cast<Word>(v);
}

// Left shifts that bring a non-zero long word to the top of its range (bit 30 for a positive
// value); a value at or below -2^30 needs none.
int normShift(Long a) {
    if (a < 0) {
        if (a <= -1073741824) return 0;
        a = ~a;
    }
    return std::countl_zero(static_cast<std::uint32_t>(a)) - 1;
}

// num / denum as a fraction of 2^15, for 0 <= num <= denum: the standard's fifteen steps of
// long division, which end at 32767 where the quotient is one.
Word divide(Word num, Word denum) {
    if (num == 0) return 0;
    return word(std::min<Long>(kMaxWord, (Long{num} << 15) / denum));
}

Word shiftRight(Word a, int n) {
    if (n >= 16) return word(-(a < 0));
    if (n <= -16) return 0;
    if (n < 0) return word(a << -n);
    return word(a >> n);
}
Word shiftLeft(Word a, int n) {
    if (n >= 16) return 0;
    if (n <= -16) return word(-(a < 0));
    if (n < 0) return shiftRight(a, -n);
    return word(a << n);
}

// ---- Linear prediction -------------------------------------------------------------------

// The autocorrelation of the frame at lags 0..8, after scaling it so that no sum overflows.
// The frame comes back rescaled, with the bits the scaling dropped lost, as the standard has it.
void autocorrelation(Word* s, std::int32_t* acf) {
    Word largest = 0;
    for (int k = 0; k < 160; ++k)
        largest = std::max(largest, absolute(s[k]));
    const int scale = largest == 0 ? 0 : 4 - normShift(Long{largest} << 16);
    if (scale > 0) {
        const Long factor = 16384 >> (scale - 1);
        for (int k = 0; k < 160; ++k)
            s[k] = word(multRound(s[k], factor));
    }
    // No sample is now above 2^11 in size: the doubled sums fit 31 bits.
    for (int lag = 0; lag <= 8; ++lag) {
        std::int32_t sum = 0;
        for (int i = lag; i < 160; ++i)
            sum += std::int32_t{s[i]} * s[i - lag];
        acf[lag] = sum * 2;
    }
    if (scale > 0)
        for (int k = 0; k < 160; ++k)
            s[k] = word(s[k] << scale);
}

// Reflection coefficients by the Schur recursion.
void reflectionCoefficients(const std::int32_t* acfLong, Word* r) {
    if (acfLong[0] == 0) {
        std::fill(r, r + 8, Word{0});
        return;
    }
    const int shift = normShift(acfLong[0]);
    Word acf[9];
    for (int i = 0; i <= 8; ++i)
        acf[i] = word((Long{acfLong[i]} << shift) >> 16);
    Word p[9];
    Word k[9];
    for (int i = 0; i <= 8; ++i)
        p[i] = acf[i];
    for (int i = 1; i <= 7; ++i)
        k[i] = acf[i];
    for (int n = 1; n <= 8; ++n) {
        const Word size = absolute(p[1]);
        if (p[0] < size) {
            std::fill(r + n - 1, r + 8, Word{0});
            return;
        }
        Word rn = divide(size, p[0]);
        if (p[1] > 0) rn = word(-rn);
        r[n - 1] = rn;
        if (n == 8) return;
        p[0] = add(p[0], word(multRound(p[1], rn)));
        for (int m = 1; m <= 8 - n; ++m) {
            const Word fromK = word(multRound(k[m], rn));
            const Word fromP = word(multRound(p[m + 1], rn));
            p[m] = add(p[m + 1], fromK);
            k[m] = add(k[m], fromP);
        }
    }
}

// The coding of each log-area ratio: its scale A, offset B, and smallest and largest code.
struct LarCoding {
    Long a;
    Long b;
    Word smallest;
    Word largest;
    Long inverseA;  // 1/A, for decoding
};
constexpr LarCoding kLarCoding[8] = {
    {20480, 0, -32, 31, 13107},     {20480, 0, -32, 31, 13107},  {20480, 2048, -16, 15, 13107},
    {20480, -2560, -16, 15, 13107}, {13964, 94, -8, 7, 19223},   {15360, -1792, -8, 7, 17476},
    {8534, -341, -4, 3, 31454},     {9036, -1144, -4, 3, 29708},
};

// Reflection coefficients to log-area ratios (a piecewise-linear approximation), coded.
void codeLogAreaRatios(const Word* r, Word* lar) {
    for (int i = 0; i < 8; ++i) {
        Word v = absolute(r[i]);
        if (v < 22118) {
            v = word(v >> 1);
        } else if (v < 31130) {
            v = word(v - 11059);
        } else {
            v = word((v - 26112) << 2);
        }
        const Word ratio = r[i] < 0 ? word(-v) : v;
        const LarCoding& c = kLarCoding[i];
        Word t = word(mult(c.a, ratio));
        t = add(t, c.b);
        t = add(t, 256);
        t = word(t >> 9);
        lar[i] = t > c.largest ? word(c.largest - c.smallest)
                               : (t < c.smallest ? Word{0} : word(t - c.smallest));
    }
}

void decodeLogAreaRatios(const Word* code, Word* lar) {
    for (int i = 0; i < 8; ++i) {
        const LarCoding& c = kLarCoding[i];
        Word t = word(add(code[i], c.smallest) << 10);
        t = sub(t, c.b * 2);
        t = word(multRound(c.inverseA, t));
        lar[i] = add(t, t);
    }
}

// Log-area ratios back to reflection coefficients.
void ratiosToReflection(Word* lar) {
    for (int i = 0; i < 8; ++i) {
        const bool negative = lar[i] < 0;
        const Word v = negative ? (lar[i] == kMinWord ? kMaxWord : word(-lar[i])) : lar[i];
        const Word r = v < 11059 ? word(v << 1) : v < 20070 ? word(v + 11059) : add(v >> 2, 26112);
        lar[i] = negative ? word(-r) : r;
    }
}

// The short-term analysis lattice over a frame, in place: samples 0..12 with the first set of
// coefficients, 13..26 with the second, 27..39 with the third and the rest with the fourth.
void latticePlain(Word* u, const Word (*rp)[8], Word* s) {
    for (int k = 0; k < 160; ++k) {
        const Word* c = rp[k < 13 ? 0 : k < 27 ? 1 : k < 40 ? 2 : 3];
        Word di = s[k];
        Word sav = di;
        for (int i = 0; i < 8; ++i) {
            const Word ui = u[i];
            u[i] = sav;
            sav = add(ui, word(multRound(c[i], di)));
            di = add(di, word(multRound(c[i], ui)));
        }
        s[k] = di;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same lattice as a wavefront: lane i of a vector is stage i, working on sample t - i at
// step t, so the eight stages run side by side. The rounded product of the standard is
// exactly pmulhrsw (no coefficient is ever -32768), its saturating sum paddsw.
__attribute__((target("ssse3"))) void latticeWide(Word* u, const Word (*rp)[8], Word* s) {
    const __m128i lane = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    __m128i set[4];
    for (int j = 0; j < 4; ++j)
        set[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rp[j]));
    __m128i state = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
    __m128i d = _mm_setzero_si128();
    __m128i sav = _mm_setzero_si128();
    for (int t = 0; t < 160 + 7; ++t) {
        const __m128i sample = _mm_sub_epi16(_mm_set1_epi16(static_cast<short>(t)), lane);
        // Coefficients by each lane's sample; stages not yet started or already done keep
        // their state.
        __m128i c = set[3];
        if (t < 40 + 7) {
            const __m128i from13 = _mm_cmpgt_epi16(sample, _mm_set1_epi16(12));
            const __m128i from27 = _mm_cmpgt_epi16(sample, _mm_set1_epi16(26));
            const __m128i from40 = _mm_cmpgt_epi16(sample, _mm_set1_epi16(39));
            c = _mm_or_si128(_mm_andnot_si128(from13, set[0]), _mm_and_si128(from13, set[1]));
            c = _mm_or_si128(_mm_andnot_si128(from27, c), _mm_and_si128(from27, set[2]));
            c = _mm_or_si128(_mm_andnot_si128(from40, c), _mm_and_si128(from40, set[3]));
        }
        const short in = t < 160 ? s[t] : 0;
        d = _mm_insert_epi16(_mm_slli_si128(d, 2), in, 0);
        sav = _mm_insert_epi16(_mm_slli_si128(sav, 2), in, 0);
        const __m128i previous = state;
        if (t < 7 || t >= 160) {
            const __m128i active = _mm_and_si128(_mm_cmpgt_epi16(sample, _mm_set1_epi16(-1)),
                                                 _mm_cmplt_epi16(sample, _mm_set1_epi16(160)));
            state = _mm_or_si128(_mm_andnot_si128(active, state), _mm_and_si128(active, sav));
        } else {
            state = sav;
        }
        sav = _mm_adds_epi16(previous, _mm_mulhrs_epi16(c, d));
        d = _mm_adds_epi16(d, _mm_mulhrs_epi16(c, previous));
        if (t >= 7) s[t - 7] = static_cast<Word>(_mm_extract_epi16(d, 7));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u), state);
}
#endif

// ---- Long-term prediction ----------------------------------------------------------------

constexpr Word kGainLevels[4] = {6554, 16384, 26214, 32767};  // decision levels
constexpr Word kGainValues[4] = {3277, 11469, 21299, 32767};  // quantized gains

// Finds the lag (40..120) and coded gain of the best match for the sub-frame `d` in the
// reconstructed residual before `dp`.
void longTermParameters(const Word* d, const Word* dp, Word& lagOut, Word& gainOut) {
    Word largest = 0;
    for (int k = 0; k < 40; ++k)
        largest = std::max(largest, absolute(d[k]));
    int norm = 0;
    if (largest != 0) norm = normShift(Long{largest} << 16);
    const int scale = norm > 6 ? 0 : 6 - norm;
    // Scaled so that each product fits 25 bits and the 40-term sum fits 31.
    Word wt[40];
    for (int k = 0; k < 40; ++k)
        wt[k] = word(d[k] >> scale);
    Long best = 0;
    Word lag = 40;
    for (int lambda = 40; lambda <= 120; ++lambda) {
        const Word* past = dp - lambda;
        std::int32_t sum = 0;
        for (int k = 0; k < 40; ++k)
            sum += std::int32_t{wt[k]} * past[k];
        if (sum > best) {
            best = sum;
            lag = word(lambda);
        }
    }
    lagOut = lag;
    best = (best << 1) >> (6 - scale);
    Long power = 0;
    for (int k = 0; k < 40; ++k) {
        const Long v = dp[k - lag] >> 3;
        power += v * v;
    }
    power <<= 1;
    if (best <= 0) {
        gainOut = 0;
        return;
    }
    if (best >= power) {
        gainOut = 3;
        return;
    }
    const int shift = normShift(power);
    const Word r = word((best << shift) >> 16);
    const Word s = word((power << shift) >> 16);
    Word gain = 0;
    while (gain <= 2 && r > word(mult(s, kGainLevels[gain])))
        ++gain;
    gainOut = gain;
}

// ---- Regular pulse excitation ------------------------------------------------------------

constexpr Word kInverseMantissa[8] = {29128, 26215, 23832, 21846, 20165, 18725, 17476, 16384};
constexpr Word kMantissa[8] = {18431, 20479, 22527, 24575, 26623, 28671, 30719, 32767};
constexpr Long kWeights[11] = {-134, -374, 0, 2054, 5741, 8192, 5741, 2054, 0, -374, -134};

// e: the residual with five zeros on either side (e[-5..44]); x: weighted, 40 samples.
void weightingFilter(const Word* e, Word* x) {
    for (int k = 0; k < 40; ++k) {
        Long sum = 4096;
        for (int i = 0; i < 11; ++i)
            sum += kWeights[i] * e[k + i - 5];
        x[k] = saturate(sum >> 13);
    }
}

// The exponent and mantissa of a coded block maximum.
void scaleParts(Word code, Word& exponent, Word& mantissa) {
    Word exp = 0;
    if (code > 15) exp = word((code >> 3) - 1);
    Word mant = word(code - (exp << 3));
    if (mant == 0) {
        exp = -4;
        mant = 7;
    } else {
        while (mant <= 7) {
            mant = word(mant << 1 | 1);
            --exp;
        }
        mant = word(mant - 8);
    }
    exponent = exp;
    mantissa = mant;
}

// Codes sub-frame `e` (with its borders) into grid, scale and pulses, and replaces it with
// its decoded version, which the predictor builds on.
void encodeExcitation(Word* e, Word& gridOut, Word& scaleOut, Word* pulses) {
    Word x[40];
    weightingFilter(e, x);

    // The grid (every third sample from 0..3) with the most energy; ties go to the lower one.
    Long most = -1;
    int grid = 0;
    for (int m = 0; m < 4; ++m) {
        Long energy = 0;
        for (int i = 0; i < 13; ++i) {
            const Long v = x[m + 3 * i] >> 2;
            energy += v * v;
        }
        energy <<= 1;
        if (energy > most) {
            most = energy;
            grid = m;
        }
    }
    Word xm[13];
    for (int i = 0; i < 13; ++i)
        xm[i] = x[grid + 3 * i];

    // The block maximum, coded on a logarithmic scale.
    Word largest = 0;
    for (int i = 0; i < 13; ++i)
        largest = std::max(largest, absolute(xm[i]));
    Word exp = 0;
    Word t = word(largest >> 9);
    bool reached = false;
    for (int i = 0; i <= 5; ++i) {
        reached = reached || t <= 0;
        t = word(t >> 1);
        if (!reached) ++exp;
    }
    const Word code = add(largest >> (exp + 5), exp << 3);
    Word mant = 0;
    scaleParts(code, exp, mant);

    // Each pulse in three bits, scaled by the inverse of the decoded maximum.
    const int normalize = 6 - exp;
    const Long inverse = kInverseMantissa[mant];
    for (int i = 0; i < 13; ++i) {
        Word v = word(xm[i] << normalize);
        v = word(mult(v, inverse));
        pulses[i] = word((v >> 12) + 4);
    }

    // Decoded pulses on their grid: the excitation the decoder will see.
    const Long factor = kMantissa[mant];
    const int shift = sub(6, exp);
    const Word rounding = shiftLeft(1, sub(shift, 1));
    std::fill(e, e + 40, Word{0});
    for (int i = 0; i < 13; ++i) {
        Word v = word(((pulses[i] << 1) - 7) << 12);
        v = word(multRound(factor, v));
        v = add(v, rounding);
        e[grid + 3 * i] = shiftRight(v, shift);
    }
    gridOut = word(grid);
    scaleOut = code;
}

// ---- The block layout --------------------------------------------------------------------

// Fields are packed from the lowest bit of each byte up, the second frame straight after the
// first.
class BitWriter {
  public:
    explicit BitWriter(std::uint8_t* out) : out_(out) {}
    void put(unsigned value, int bits) {
        acc_ |= static_cast<std::uint64_t>(value & ((1u << bits) - 1)) << count_;
        count_ += bits;
        while (count_ >= 8) {
            *out_++ = static_cast<std::uint8_t>(acc_);
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    void flush() {
        if (count_ > 0) *out_++ = static_cast<std::uint8_t>(acc_);
        acc_ = 0;
        count_ = 0;
    }

  private:
    std::uint8_t* out_;
    std::uint64_t acc_ = 0;
    int count_ = 0;
};

constexpr int kLarBits[8] = {6, 6, 5, 5, 4, 4, 3, 3};

void pack(const GsmEncoder::Frame& f, BitWriter& w) {
    for (int i = 0; i < 8; ++i)
        w.put(static_cast<unsigned>(f.lar[i]), kLarBits[i]);
    for (int j = 0; j < 4; ++j) {
        w.put(static_cast<unsigned>(f.lag[j]), 7);
        w.put(static_cast<unsigned>(f.gain[j]), 2);
        w.put(static_cast<unsigned>(f.grid[j]), 2);
        w.put(static_cast<unsigned>(f.scale[j]), 6);
        for (int i = 0; i < 13; ++i)
            w.put(static_cast<unsigned>(f.pulses[13 * j + i]), 3);
    }
}

}  // namespace

namespace gsm_lattice {

bool wideAvailable() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool available = __builtin_cpu_supports("ssse3");
    return available;
#else
    return false;
#endif
}

void run(Kind kind, std::int16_t* u, const std::int16_t (*rp)[8], std::int16_t* s) {
#if defined(__x86_64__) || defined(__i386__)
    if (kind == Kind::Wide) return latticeWide(u, rp, s);
#endif
    latticePlain(u, rp, s);
}

}  // namespace gsm_lattice

// ---- The frame ---------------------------------------------------------------------------

// Downscaling, offset compensation (a high-pass at about 15 Hz) and pre-emphasis.
void GsmEncoder::preprocess(const std::int16_t* in, std::int16_t* out) {
    Word z1 = offsetPrevious_;
    Long z2 = offsetState_;
    Word mp = emphasisPrevious_;
    for (int k = 0; k < kFrameSamples; ++k) {
        const Word so = word((in[k] >> 3) * 4);
        const Word s1 = word(so - z1);
        z1 = so;
        Long s2 = Long{s1} << 15;
        // z2 * 32735 / 32768 in two halves, as a 16-bit machine does it.
        const Word msp = word(z2 >> 15);
        const Word lsp = word(z2 - (Long{msp} << 15));
        s2 += multRound(lsp, 32735);
        z2 = addLong(Long{msp} * 32735, s2);
        const Long rounded = addLong(z2, 16384);
        const Word emphasis = word(multRound(mp, -28180));
        mp = word(rounded >> 15);
        out[k] = add(mp, emphasis);
    }
    offsetPrevious_ = z1;
    offsetState_ = z2;
    emphasisPrevious_ = mp;
}

// The short-term residual of the frame, in place. The filter's coefficients glide from the
// previous frame's to this one's over the first 40 samples.
void GsmEncoder::shortTermAnalysis(const Frame& frame, std::int16_t* s) {
    Word current[8];
    decodeLogAreaRatios(frame.lar.data(), current);
    const Word* previous = previousLar_.data();
    Word rp[4][8];
    for (int i = 0; i < 8; ++i) {
        rp[0][i] = add(add(previous[i] >> 2, current[i] >> 2), previous[i] >> 1);
        rp[1][i] = add(previous[i] >> 1, current[i] >> 1);
        rp[2][i] = add(add(previous[i] >> 2, current[i] >> 2), current[i] >> 1);
        rp[3][i] = current[i];
    }
    for (auto& set : rp)
        ratiosToReflection(set);
    static const auto kind =
        gsm_lattice::wideAvailable() ? gsm_lattice::Kind::Wide : gsm_lattice::Kind::Plain;
    gsm_lattice::run(kind, lattice_.data(), rp, s);
    std::copy(current, current + 8, previousLar_.begin());
}

GsmEncoder::Frame GsmEncoder::encodeFrame(const std::int16_t* samples) {
    Frame f;
    Word s[kFrameSamples];
    preprocess(samples, s);
    std::int32_t acf[9];
    autocorrelation(s, acf);
    Word r[8];
    reflectionCoefficients(acf, r);
    codeLogAreaRatios(r, f.lar.data());
    shortTermAnalysis(f, s);

    // e: one sub-frame's residual with five zeros either side, for the weighting filter.
    Word e[50] = {};
    Word* dp = residual_.data() + 120;
    for (int j = 0; j < 4; ++j) {
        const Word* d = s + 40 * j;
        longTermParameters(d, dp, f.lag[j], f.gain[j]);
        const Long gain = kGainValues[f.gain[j]];
        Word predicted[40];
        for (int k = 0; k < 40; ++k) {
            predicted[k] = word(multRound(gain, dp[k - f.lag[j]]));
            e[5 + k] = sub(d[k], predicted[k]);
        }
        encodeExcitation(e + 5, f.grid[j], f.scale[j], f.pulses.data() + 13 * j);
        for (int k = 0; k < 40; ++k)
            dp[k] = add(e[5 + k], predicted[k]);
        dp += 40;
    }
    std::copy(residual_.begin() + 160, residual_.end(), residual_.begin());
    return f;
}

void GsmEncoder::encodeBlock(const std::int16_t* samples, std::uint8_t* block) {
    BitWriter w(block);
    pack(encodeFrame(samples), w);
    pack(encodeFrame(samples + kFrameSamples), w);
    w.flush();
}

}  // namespace aurx::codecs
