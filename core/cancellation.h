#pragma once
// A long computation's way out when its front end asks (Ctrl-C in a script): the thread that
// started it asks the front end's hook, at most every `interval`; every thread taking part sees
// the answer. The computation decides what state it stops in.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

namespace kinelab {

class cancellation {
 public:
  using clock = std::chrono::steady_clock;
  explicit cancellation(std::function<bool()> asked,
                        clock::duration interval = std::chrono::milliseconds(20))
      : asked_(std::move(asked)), interval_(interval), owner_(std::this_thread::get_id()) {}

  // True once the hook said to stop; cheap enough for every step of a loop.
  bool requested() {
    if (stop_.load(std::memory_order_relaxed)) return true;
    if (!asked_ || std::this_thread::get_id() != owner_) return false;
    const clock::time_point now = clock::now();
    if (now - last_ < interval_) return false;
    last_ = now;
    if (asked_()) stop_.store(true, std::memory_order_relaxed);
    return stop_.load(std::memory_order_relaxed);
  }

 private:
  std::function<bool()> asked_;
  clock::duration interval_;
  std::thread::id owner_;
  clock::time_point last_{};
  std::atomic<bool> stop_{false};
};

}  // namespace kinelab
