// Load for tests that must hold on a busy machine: every core kept spinning
// while the object lives.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace libinfo::testing {

// Spins for the given time: work without a disk to wait for.
inline void Spin(std::chrono::microseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until) {
  }
}

class BusyCores {
 public:
  BusyCores() {
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i) {
      threads_.emplace_back([this] {
        while (!done_) Spin(std::chrono::milliseconds(1));
      });
    }
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;
  ~BusyCores() {
    done_ = true;
    for (auto& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::vector<std::thread> threads_;
};

}  // namespace libinfo::testing
