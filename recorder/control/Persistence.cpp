#include "aurx/Persistence.h"

#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"
#include "recorder/control/ControlAccess.h"
#include "recorder/control/PropertyRows.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace aurx {
namespace {

template <std::size_t Size>
struct UnsignedOf;
template <>
struct UnsignedOf<2> {
    using type = std::uint16_t;
};
template <>
struct UnsignedOf<4> {
    using type = std::uint32_t;
};
template <>
struct UnsignedOf<8> {
    using type = std::uint64_t;
};

class Writer {
  public:
    template <class T>
    void put(T value) {
        auto bits = std::bit_cast<typename UnsignedOf<sizeof(T)>::type>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i, bits >>= 8)
            bytes_.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    }
    void put(std::span<const std::uint8_t> bytes) {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Reads forward and never past the end: a short stream reads as nothing.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    template <class T>
    std::optional<T> get() {
        using U = typename UnsignedOf<sizeof(T)>::type;
        if (rest_.size() < sizeof(T)) return std::nullopt;
        U bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bits |= static_cast<U>(static_cast<U>(rest_[i]) << (8 * i));
        rest_ = rest_.subspan(sizeof(T));
        return std::bit_cast<T>(bits);
    }
    std::optional<std::span<const std::uint8_t>> bytes(std::size_t count) {
        if (rest_.size() < count) return std::nullopt;
        const auto taken = rest_.first(count);
        rest_ = rest_.subspan(count);
        return taken;
    }

  private:
    std::span<const std::uint8_t> rest_;
};

template <class T>
constexpr VarType kTypeCode = VT_EMPTY;
template <>
constexpr VarType kTypeCode<std::int16_t> = VT_I2;
template <>
constexpr VarType kTypeCode<std::int32_t> = VT_I4;
template <>
constexpr VarType kTypeCode<std::uint32_t> = VT_UI4;
template <>
constexpr VarType kTypeCode<float> = VT_R4;
template <>
constexpr VarType kTypeCode<double> = VT_R8;

// One saved property: written from its getter, read back through its setter. Its variant
// type is the getter's type; any other type code in a stream is not ours to guess at.
struct Item {
    int slot = 0;  // its place in the stream, from 1; 0 for a property not saved
    void (*save)(Writer&, const AURX300Ctrl&) = nullptr;
    bool (*load)(Reader&, AURX300Ctrl&) = nullptr;
};

template <Property P>
constexpr Item item() {
    if constexpr (PropertyRow<P>::savedAt == 0) {
        return {};
    } else {
        using T = PropertyValue<P>;
        static_assert(kTypeCode<T> != VT_EMPTY);
        return Item{PropertyRow<P>::savedAt,
                    [](Writer& out, const AURX300Ctrl& control) {
                        out.put(static_cast<std::uint16_t>(kTypeCode<T>));
                        out.put(ControlAccess::of(control).get<P>());
                    },
                    [](Reader& in, AURX300Ctrl& control) {
                        const auto code = in.get<std::uint16_t>();
                        if (!code || *code != kTypeCode<T>) return false;
                        const auto value = in.get<T>();
                        return value && ControlAccess::of(control).put<P>(*value).ok();
                    }};
    }
}

// The properties the table marks saved, in stream order.
constexpr auto kAll = forEachProperty([]<Property P>() { return item<P>(); });
constexpr std::size_t kSaved = static_cast<std::size_t>(
    std::count_if(kAll.begin(), kAll.end(), [](const Item& i) { return i.slot != 0; }));
constexpr auto kItems = [] {
    std::array<Item, kSaved> items{};
    std::copy_if(kAll.begin(), kAll.end(), items.begin(),
                 [](const Item& i) { return i.slot != 0; });
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.slot < b.slot; });
    return items;
}();
constexpr bool eachPlaceOnce() {
    for (std::size_t i = 0; i < kItems.size(); ++i)
        if (kItems[i].slot != static_cast<int>(i) + 1) return false;
    return true;
}
static_assert(eachPlaceOnce(), "the saved properties fill the stream's places from 1, once each");

constexpr std::string_view kStorageMagic = "AURXSTG1";
// Far above anything we write; a larger file is not one of ours.
constexpr std::uintmax_t kLargestStorage = 1 << 20;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::vector<std::uint8_t> storageWith(std::string_view name, std::span<const std::uint8_t> data) {
    Writer out;
    out.put(bytesOf(kStorageMagic));
    out.put(std::uint32_t{1});
    out.put(static_cast<std::uint16_t>(name.size()));
    out.put(bytesOf(name));
    out.put(static_cast<std::uint32_t>(data.size()));
    out.put(data);
    return out.take();
}

std::optional<std::span<const std::uint8_t>> findStream(std::span<const std::uint8_t> storage,
                                                        std::string_view name) {
    Reader in(storage);
    const auto magic = in.bytes(kStorageMagic.size());
    if (!magic || !std::ranges::equal(*magic, bytesOf(kStorageMagic))) return std::nullopt;
    const auto count = in.get<std::uint32_t>();
    if (!count) return std::nullopt;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto nameLength = in.get<std::uint16_t>();
        if (!nameLength) return std::nullopt;
        const auto streamName = in.bytes(*nameLength);
        if (!streamName) return std::nullopt;
        const auto dataLength = in.get<std::uint32_t>();
        if (!dataLength) return std::nullopt;
        const auto data = in.bytes(*dataLength);
        if (!data) return std::nullopt;
        if (std::ranges::equal(*streamName, bytesOf(name))) return data;
    }
    return std::nullopt;
}

// Only a regular file is read: a FIFO would block, a device never end, a folder not read.
// Opening does not wait for a FIFO's writer; a file that grows while it is read is not taken.
std::optional<std::vector<std::uint8_t>> readWhole(const std::filesystem::path& file) {
    posix::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<std::uintmax_t>(st.st_size) > kLargestStorage)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
    const ssize_t got = posix::readFully(fd.get(), bytes.data(), bytes.size());
    if (got < 0 || static_cast<std::size_t>(got) == bytes.size()) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

// Writes beside the target and renames over it, so the host's earlier file survives a full
// disk or a crash half-way.
bool replaceFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    auto partial = file;
    partial += ".saving-" + std::to_string(::getpid());
    posix::UniqueFd fd(::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) return false;
    const bool written = posix::writeAll(fd.get(), bytes.data(), bytes.size()) == 0 &&
                         ::fsync(fd.get()) == 0 && fd.close() == 0;
    std::error_code ec;
    if (written) std::filesystem::rename(partial, file, ec);
    if (!written || ec) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> saveDesignState(const AURX300Ctrl& control) {
    Writer out;
    out.put(kDesignStateVersion);
    out.put(control.extentWidth());
    out.put(control.extentHeight());
    for (const auto& i : kItems)
        i.save(out, control);
    return out.take();
}

bool loadDesignState(AURX300Ctrl& control, std::span<const std::uint8_t> stream) {
    Reader in(stream);
    const auto version = in.get<std::uint32_t>();
    if (!version || *version > kDesignStateVersion) return false;
    const auto width = in.get<std::int32_t>();
    const auto height = in.get<std::int32_t>();
    if (!width || !height) return false;
    control.setExtent(*width, *height);
    for (const auto& i : kItems)
        if (!i.load(in, control)) return false;
    return true;
}

bool saveDesignStorage(const AURX300Ctrl& control, const std::filesystem::path& file) {
    return replaceFile(file, storageWith(kDesignStreamName, saveDesignState(control)));
}

bool loadDesignStorage(AURX300Ctrl& control, const std::filesystem::path& file) {
    const auto storage = readWhole(file);
    if (!storage) return false;
    const auto stream = findStream(*storage, kDesignStreamName);
    return stream && loadDesignState(control, *stream);
}

bool loadDesignStateFile(AURX300Ctrl& control, const std::filesystem::path& file) {
    const auto stream = readWhole(file);
    return stream && loadDesignState(control, *stream);
}

}  // namespace aurx
