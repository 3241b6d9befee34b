#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// One thread running submitted jobs one at a time, in submission order.
class SerialQueue {
 public:
  explicit SerialQueue(std::string label);
  // Runs the jobs already submitted, then stops the thread.
  ~SerialQueue();

  // Refuses jobs from now on (they are dropped), runs those already
  // submitted and waits until the thread has ended: nothing is left half done.
  void close();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& label() const { return label_; }

  // Queues `job` and returns at once. Callable from any thread.
  void async(std::function<void()> job);

  // Queues `job` and waits until it has run (at once when closed). Must not
  // be called from the queue's own thread (it would wait for itself).
  void sync(std::function<void()> job);

 private:
  bool push(std::function<void()> job);
  void run();

  std::string label_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};
