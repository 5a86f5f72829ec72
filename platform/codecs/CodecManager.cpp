#include "platform/codecs/CodecManager.h"

#include <algorithm>

#include "platform/codecs/Drivers.h"

namespace aurx::codecs {

Manager::Manager(std::vector<std::unique_ptr<Driver>> drivers) : drivers_(std::move(drivers)) {}

std::shared_ptr<const Manager> Manager::standard() {
    static const std::shared_ptr<const Manager> installed = [] {
        std::vector<std::unique_ptr<Driver>> d;
        d.push_back(makePcmDriver());
        d.push_back(makeG711Driver(kTagALaw));
        d.push_back(makeG711Driver(kTagMuLaw));
        d.push_back(makeGsmDriver());
        d.push_back(makeMp3Driver());
        return std::make_shared<const Manager>(std::move(d));
    }();
    return installed;
}

const Driver* Manager::driverFor(std::span<const std::uint8_t> format) const {
    const WaveFormat f = WaveFormat::parse(format);
    for (const auto& d : drivers_)
        if (d->tag() == f.tag && d->accepts(f, format)) return d.get();
    return nullptr;
}

std::optional<FormatBlock> Manager::suggestPcm(std::span<const std::uint8_t> format) const {
    const Driver* d = driverFor(format);
    if (!d) return std::nullopt;
    const auto pcm = d->suggestPcm(WaveFormat::parse(format));
    if (!pcm) return std::nullopt;
    return pcm->toBlock();
}

std::unique_ptr<Stream> Manager::open(std::span<const std::uint8_t> from,
                                      std::span<const std::uint8_t> to) const {
    const Driver* a = driverFor(from);
    const Driver* b = driverFor(to);
    if (!a || !b) return nullptr;
    // The driver of the non-PCM side does the work; PCM to PCM goes to the PCM driver.
    const Driver* worker = a->tag() != kTagPcm ? a : b;
    if (a->tag() != kTagPcm && b->tag() != kTagPcm) return nullptr;
    return worker->open(FormatBlock(from.begin(), from.end()), FormatBlock(to.begin(), to.end()));
}

bool Manager::canConvert(std::span<const std::uint8_t> from,
                         std::span<const std::uint8_t> to) const {
    return open(from, to) != nullptr;
}

std::optional<std::size_t> Manager::largestFormatSize() const {
    std::size_t largest = 0;
    for (const auto& d : drivers_)
        for (const auto& f : d->formats())
            largest = std::max(largest, f.size());
    if (largest == 0) return std::nullopt;
    return largest;
}

std::optional<std::string> Manager::tagName(std::uint16_t tag) const {
    for (const auto& d : drivers_)
        if (d->tag() == tag) return d->tagName();
    return std::nullopt;
}

std::optional<std::string> Manager::describe(std::span<const std::uint8_t> format) const {
    const Driver* d = driverFor(format);
    if (!d) return std::nullopt;
    return d->describe(WaveFormat::parse(format));
}

std::vector<std::uint16_t> Manager::tags() const {
    std::vector<std::uint16_t> out;
    for (const auto& d : drivers_)
        out.push_back(d->tag());
    return out;
}

std::vector<FormatBlock> Manager::formats(std::uint16_t tag) const {
    std::vector<FormatBlock> out;
    for (const auto& d : drivers_) {
        if (tag != 0 && d->tag() != tag) continue;
        auto f = d->formats();
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

}  // namespace aurx::codecs
