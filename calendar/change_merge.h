#pragma once

#include <algorithm>
#include <chrono>

// How store changes are merged into change calls, the same for every store: a
// call comes once no further change arrived for `quiet`, and never later than
// `longest` after the first change of a burst. A sync rewriting hundreds of
// items gives one call, or one per `longest` when it takes longer than that.
struct MergeWindow {
  std::chrono::milliseconds quiet{150};
  std::chrono::milliseconds longest{400};
};

// The changes since the last call, merged under a window.
class ChangeBurst {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ChangeBurst(MergeWindow window = {}) : window_(window) {}

  // A change came at `now`.
  void add(Clock::time_point now) {
    if (!pending_) first_ = now;
    last_ = now;
    pending_ = true;
  }

  bool pending() const { return pending_; }

  // When the call is due; only while pending.
  Clock::time_point due() const {
    return std::min(last_ + window_.quiet, first_ + window_.longest);
  }

  // Whether the call is due at `now`; the burst ends when it is.
  bool take(Clock::time_point now) {
    if (!pending_ || now < due()) return false;
    pending_ = false;
    return true;
  }

 private:
  MergeWindow window_;
  bool pending_ = false;
  Clock::time_point first_{}, last_{};
};
