// Opening and creating files at the store level, with the format checks the control makes
// (the control's AcmFormat installation against the virtual devices and the installed
// codecs). The control keeps its open AudioFile to itself; this is how the tests and the
// fuzzer read and write the sample data of a file the control would open.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/codecs/CodecManager.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/Codes.h"
#include "recorder/formats/AcmFormat.h"
#include "recorder/store/CompressionSetup.h"
#include "recorder/store/FileOpener.h"

namespace interop {

class StoreHost : public aurx::store::FormatHost {
  public:
    explicit StoreHost(bool playOnly = false) : playOnly_(playOnly) {}

    // The compression format for new and header-less files, as the AcmFormat property sets it.
    void setFormat(std::span<const std::uint8_t> block) {
        const std::vector<std::uint8_t> copy(block.begin(), block.end());
        acm_.store(copy);
        acm_.install(copy, true, context());
    }

    bool offerFileFormat(std::span<const std::uint8_t> block) override {
        return acm_.install(block, true, context());
    }

    aurx::ErrorCode setUpCompression(aurx::store::CompressedInfo& out) override {
        const std::vector<std::uint8_t> block(acm_.block().begin(), acm_.block().end());
        if (block.size() < aurx::codecs::kWaveFormatSize) return aurx::ErrorCode::NoAcmFormat;
        if (!acm_.install(block, true, context())) return aurx::ErrorCode::UnsupportedFormat;
        auto info = aurx::store::setUpCompression(block, acm_.partner(), playOnly_, *codecs_);
        if (!info) return aurx::ErrorCode::UnsupportedFormat;
        out = std::move(*info);
        return aurx::ErrorCode::Ok;
    }

  private:
    aurx::formats::InstallContext context() const {
        return aurx::formats::InstallContext{playOnly_, aurx::wave::kDefaultDevice,
                                             aurx::wave::kDefaultDevice, *devices_, *codecs_};
    }

    bool playOnly_;
    std::shared_ptr<aurx::wave::DeviceSet> devices_ = aurx::wave::makeVirtualDevices();
    std::shared_ptr<const aurx::codecs::Manager> codecs_ = aurx::codecs::Manager::standard();
    aurx::formats::AcmFormat acm_;
};

// What the control would ask the store for, given its properties (BitsPerSample one the
// control accepts).
inline aurx::store::FileRequest request(const std::string& path, std::int16_t dataOnly = 0,
                                        std::int16_t bitsPerSample = 16, std::uint32_t rate = 8000,
                                        std::uint16_t channels = 1, bool playOnly = false) {
    const auto coding = aurx::sampleCodingOf(bitsPerSample).value_or(aurx::SampleCoding::Pcm16);
    return aurx::store::FileRequest{path, playOnly, dataOnly, coding, rate, channels};
}

}  // namespace interop
