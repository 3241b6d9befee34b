#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "store.h"

// Calendars and events held in memory. Handles made by reopen() share one
// state, as handles on one calendar database do. It records what it was asked.
class FakeStore : public CalendarStore {
 public:
  struct State {
    std::mutex mutex;
    AuthorizationStatus status = kNotDetermined;
    std::vector<CalendarRecord> calendars;
    std::vector<EventRecord> events;
    std::vector<std::function<void()>> pendingRequests;
    std::vector<std::function<void()>*> observers;
    std::vector<std::pair<Instant, Instant>> askedRanges;
    int handlesOpened = 1;
  };

  explicit FakeStore(std::shared_ptr<State> state = std::make_shared<State>())
      : state_(std::move(state)) {}

  std::shared_ptr<State> state() const { return state_; }

  AuthorizationStatus authorizationStatus() const override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->status;
  }

  void requestAccess(std::function<void()> completion) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->pendingRequests.push_back(std::move(completion));
  }

  std::unique_ptr<CalendarStore> reopen() const override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->handlesOpened;
    return std::make_unique<FakeStore>(state_);
  }

  std::vector<CalendarRecord> calendars() override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->calendars;
  }

  std::vector<EventRecord> events(Instant start, Instant end) override {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->askedRanges.emplace_back(start, end);
    return state_->events;
  }

  std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) override {
    return std::make_unique<Subscription>(state_, std::move(onChange));
  }

  // The user answers: the status becomes `status` and every pending request
  // completes, on a thread of the store's own.
  static void answer(const std::shared_ptr<State>& state, AuthorizationStatus status) {
    std::vector<std::function<void()>> pending;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->status = status;
      pending.swap(state->pendingRequests);
    }
    std::thread([pending] {
      for (const auto& completion : pending) completion();
    }).join();
  }

  // The calendar data changed: every live subscription is called.
  static void fireChange(const std::shared_ptr<State>& state) {
    std::lock_guard<std::mutex> lock(state->mutex);
    for (auto* observer : state->observers) (*observer)();
  }

 private:
  struct Subscription : ChangeSubscription {
    Subscription(std::shared_ptr<State> state, std::function<void()> onChange)
        : state(std::move(state)), onChange(std::move(onChange)) {
      std::lock_guard<std::mutex> lock(this->state->mutex);
      this->state->observers.push_back(&this->onChange);
    }
    ~Subscription() override {
      std::lock_guard<std::mutex> lock(state->mutex);
      std::erase(state->observers, &onChange);
    }
    std::shared_ptr<State> state;
    std::function<void()> onChange;
  };

  std::shared_ptr<State> state_;
};
