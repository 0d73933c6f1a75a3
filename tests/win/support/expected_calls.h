#pragma once
// The calls a fake accepts are the ones its test arranged, as in Wine's own
// conformance tests: any other call fails the test and names the method, so
// that a call the product starts to make is seen rather than answered.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace pq::testing {

class ExpectedCalls {
 public:
  explicit ExpectedCalls(std::string who) : who_(std::move(who)) {}

  // Accepts calls of these methods from now on, any number of them.
  void Expect(std::initializer_list<const char*> methods) {
    std::lock_guard lock(mutex_);
    expected_.insert(methods.begin(), methods.end());
  }
  // How often the method was called, expected or not.
  int Calls(const std::string& method) const {
    std::lock_guard lock(mutex_);
    const auto found = calls_.find(method);
    return found == calls_.end() ? 0 : found->second;
  }

 protected:
  // Counts a call of the method; one that nobody expected fails the test.
  void Called(const char* method) {
    std::lock_guard lock(mutex_);
    ++calls_[method];
    if (!expected_.count(method)) ADD_FAILURE() << "unexpected call of " << who_ << ": " << method;
  }

 private:
  const std::string who_;
  mutable std::mutex mutex_;
  std::set<std::string> expected_;
  std::map<std::string, int> calls_;
};

}  // namespace pq::testing
