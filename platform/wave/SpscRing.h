// A bounded single-producer single-consumer queue without locks or allocation, for handing
// finished buffers from a device's thread to the worker.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace aurx::wave {

template <class T, std::size_t N>
class SpscRing {
    static_assert((N & (N - 1)) == 0, "N must be a power of two");

  public:
    bool push(const T& value) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) == N) return false;
        slots_[head & (N - 1)] = value;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    std::optional<T> front() const {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (head_.load(std::memory_order_acquire) == tail) return std::nullopt;
        return slots_[tail & (N - 1)];
    }
    void pop() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    bool empty() const {
        return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
    }

  private:
    std::array<T, N> slots_{};
    std::atomic<std::size_t> head_{0};
    std::atomic<std::size_t> tail_{0};
};

}  // namespace aurx::wave
