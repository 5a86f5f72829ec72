#include "tests/interop/Controls.h"

#include <gtest/gtest.h>

#include "platform/codecs/WaveFormat.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/control/ControlEnvironment.h"

namespace interop {

std::unique_ptr<aurx::AURX300Ctrl> makeControl() {
    auto environment = aurx::ControlEnvironment::standard();
    environment.devices = aurx::wave::makeVirtualDevices();
    return std::make_unique<aurx::AURX300Ctrl>(environment);
}

std::vector<std::uint8_t> acmFormatOf(const aurx::AURX300Ctrl& control) {
    const auto value = control.get_AcmFormat();
    const auto* bytes = value.bytes();
    return bytes ? bytes->data : std::vector<std::uint8_t>{};
}

std::uint16_t openFormatTag(const aurx::AURX300Ctrl& control) {
    switch (control.get_BitsPerSample()) {
        case 8:
        case 16:
            return aurx::codecs::kTagPcm;
        case 106:
            return aurx::codecs::kTagALaw;
        case 107:
            return aurx::codecs::kTagMuLaw;
        default:
            return aurx::codecs::WaveFormat::parse(acmFormatOf(control)).tag;
    }
}

std::int16_t openExisting(aurx::AURX300Ctrl& control, const std::string& path,
                          std::int16_t dataOnly, std::int16_t playOnly) {
    EXPECT_EQ(control.Reset(), 0);
    EXPECT_TRUE(control.put_DataOnly(dataOnly).ok());
    EXPECT_TRUE(control.put_PlayOnly(playOnly).ok());
    return control.OpenExistingOrNewFile(path);
}

}  // namespace interop
