// The compression format: AcmFormat in its text and byte-array forms, the format chooser,
// and the descriptions of the stored and the open file's formats.
#include "aurx/HexText.h"
#include "recorder/control/Control.h"
#include "recorder/store/AudioFile.h"

namespace aurx {
namespace {

constexpr std::size_t kLongestFormatText = 1024;

}  // namespace

formats::InstallContext Control::installContext() const {
    return formats::InstallContext{playOnly_ != 0, shared_.recordDevice, shared_.playbackDevice,
                                   *env_.devices, *env_.codecs};
}

bool Control::installFormat(std::span<const std::uint8_t> block, bool codecChecks) {
    return acmFormat_.install(block, codecChecks, installContext());
}

Variant Control::acmFormat() const {
    if (!acmFormat_.isSet()) return Variant(ByteArray::vector({0}));
    const auto b = acmFormat_.block();
    return Variant(ByteArray::vector(std::vector<std::uint8_t>(b.begin(), b.end())));
}

CallResult Control::setAcmFormat(const Variant& value) {
    const Variant& v = value.deref();
    if (v.isEmpty()) return {};
    std::vector<std::uint8_t> block;
    if (const auto* text = v.string()) {
        if (text->size() > kLongestFormatText)
            return CallResult::refused("ACM Format string must be 1024 characters or less");
        if (text->size() % 2 != 0)
            return CallResult::refused("ACM Format string must have an even number of characters");
        auto bytes = formats::fromHex(*text);
        if (!bytes) return CallResult::refused("ACM Format string contains non-hex characters");
        block = std::move(*bytes);
    } else if (const auto* array = v.bytes()) {
        if (array->dimensions() != 1)
            return CallResult::refused("ACM format must be a one-dimensional array");
        block = array->data;
    } else {
        return CallResult::refused("ACM format must be a string or a vector of bytes");
    }
    // A block shorter than the fixed fields cannot be a format; it is ignored, as a short
    // byte array is.
    if (block.size() < codecs::kWaveFormatSize) return {};
    acmFormat_.store(block);
    installFormat(block, !fileOpen());
    return {};
}

ErrorCode Control::chooseFormat(std::int32_t hwndOwner, const std::string& dialogTitle,
                                std::int16_t waveFormat) {
    const auto largest = env_.codecs->largestFormatSize();
    if (!largest) return ErrorCode::NoFormatSize;
    formats::ChooserRequest request;
    request.owner = hwndOwner;
    request.title = dialogTitle;
    request.bufferSize = *largest;
    request.tagFilter = static_cast<std::uint16_t>(waveFormat);
    request.installed = installedFormats();
    const auto stored = acmFormat_.block();
    if (acmFormat_.isSet() && stored.size() >= *largest)
        request.initial.assign(stored.begin(),
                               stored.begin() + static_cast<std::ptrdiff_t>(*largest));
    if (!chooser_) return ErrorCode::ChooserCancelled;
    auto chosen = chooser_->choose(request);
    if (!chosen) return ErrorCode::ChooserCancelled;
    chosen->resize(*largest, 0);
    if (codecs::readLe16(*chosen, 0) == codecs::kTagMpegLayer3) codecs::writeLe16(*chosen, 16, 12);
    if (!installFormat(*chosen, !fileOpen())) return ErrorCode::UnsupportedFormat;
    return ErrorCode::Ok;
}

std::vector<formats::FormatFamily> Control::installedFormats() const {
    std::vector<formats::FormatFamily> installed;
    for (const auto tag : env_.codecs->tags()) {
        formats::FormatFamily family{tag, env_.codecs->tagName(tag), {}};
        for (auto& block : env_.codecs->formats(tag)) {
            auto description = env_.codecs->describe(block);
            family.formats.push_back({std::move(block), std::move(description)});
        }
        installed.push_back(std::move(family));
    }
    return installed;
}

std::string Control::describe(std::span<const std::uint8_t> block, ErrorCode& code) const {
    const auto name = env_.codecs->tagName(codecs::readLe16(block, 0));
    const auto details = env_.codecs->describe(block);
    if (!name || !details) {
        code = ErrorCode::NoDescription;
        return "[Unavailable]";
    }
    code = ErrorCode::Ok;
    return *name + ": " + *details;
}

CallResult Control::GetAcmFormatAsString(std::string* outVal, std::int16_t* errorCode) {
    if (errorCode) *errorCode = wire(ErrorCode::Ok);
    if (!outVal) return CallResult::refused("All parameters are mandatory");
    ErrorCode code = ErrorCode::Ok;
    *outVal = acmFormat_.isSet() ? describe(acmFormat_.block(), code) : "[Not Set]";
    const std::int16_t reported = report(code);
    if (errorCode) *errorCode = reported;
    return {};
}

CallResult Control::GetCurrentFormatAsString(std::string* outVal, std::int16_t* errorCode) {
    if (errorCode) *errorCode = wire(ErrorCode::Ok);
    if (!outVal) return CallResult::refused("All parameters are mandatory");
    ErrorCode code = ErrorCode::Ok;
    if (!fileOpen() || !file_) {
        *outVal = "[Unavailable]";
        code = ErrorCode::WrongState;
    } else if (const auto* c = file_->compressed()) {
        *outVal = describe(c->format, code);
    } else {
        *outVal = describe(file_->fileFormat().toBlock(), code);
    }
    const std::int16_t reported = report(code);
    if (errorCode) *errorCode = reported;
    return {};
}

}  // namespace aurx
