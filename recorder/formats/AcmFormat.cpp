#include "recorder/formats/AcmFormat.h"

#include <algorithm>

namespace aurx::formats {

void AcmFormat::store(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > storage_.size()) {
        storage_.assign(bytes.begin(), bytes.end());
        recorded_ = bytes.size();
        return;
    }
    std::copy(bytes.begin(), bytes.end(), storage_.begin());
}

codecs::WaveFormat partnerFor(std::span<const std::uint8_t> bytes, const codecs::Manager& codecs) {
    if (auto suggested = codecs.suggestPcm(bytes)) {
        auto pcm = codecs::WaveFormat::parse(*suggested);
        pcm.tag = codecs::kTagPcm;
        return pcm;
    }
    const auto f = codecs::WaveFormat::parse(bytes);
    return codecs::WaveFormat::pcm(f.samplesPerSec, f.channels, 16);
}

bool AcmFormat::install(std::span<const std::uint8_t> bytes, bool codecChecks,
                        const InstallContext& ctx) {
    const codecs::WaveFormat partner = partnerFor(bytes, ctx.codecs);
    if (!ctx.playOnly) {
        if (!ctx.devices.inputAccepts(ctx.recordDevice, partner) ||
            !ctx.devices.outputAccepts(ctx.playbackDevice, partner))
            return false;
        if (codecChecks) {
            const auto partnerBlock = partner.toBlock();
            if (!ctx.codecs.canConvert(bytes, partnerBlock) ||
                !ctx.codecs.canConvert(partnerBlock, bytes))
                return false;
        }
    }
    const auto f = codecs::WaveFormat::parse(bytes);
    if (f.avgBytesPerSec == 0 || f.blockAlign == 0 || f.channels == 0 || f.samplesPerSec == 0)
        return false;
    store(bytes);
    partner_ = partner;
    return true;
}

}  // namespace aurx::formats
