#include "recorder/engine/EngineContext.h"

namespace aurx::engine {

void BufferSet::allocate(const codecs::WaveFormat& format) {
    const std::size_t block = format.blockAlign > 0 ? format.blockAlign : 1;
    bytes_ = std::max<std::size_t>(format.avgBytesPerSec / 10 / block * block, block);
    storage_.assign(bytes_ * kCount, 0);
    for (int i = 0; i < kCount; ++i)
        buffers_[static_cast<std::size_t>(i)] =
            wave::Buffer{storage_.data() + static_cast<std::size_t>(i) * bytes_, bytes_, 0, i};
}

void BufferSet::release() {
    storage_.clear();
    storage_.shrink_to_fit();
    buffers_ = {};
    bytes_ = 0;
}

}  // namespace aurx::engine
