#include "serial_queue.h"

#include <future>

SerialQueue::SerialQueue(std::string label)
    : label_(std::move(label)), thread_([this] { run(); }) {}

SerialQueue::~SerialQueue() { close(); }

void SerialQueue::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool SerialQueue::push(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return false;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  return true;
}

void SerialQueue::async(std::function<void()> job) { push(std::move(job)); }

void SerialQueue::sync(std::function<void()> job) {
  std::promise<void> done;
  if (!push([&] {
        job();
        done.set_value();
      })) {
    return;
  }
  done.get_future().wait();
}

void SerialQueue::run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // stopping, and everything submitted has run
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    // A job that fails (no memory, no thread for what it starts) loses its
    // own work, never the process or the jobs after it.
    try {
      job();
    } catch (...) {
    }
  }
}
