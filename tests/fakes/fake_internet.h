#pragma once
// An Internet of scripted responses: each known address answers with its body,
// delivered piece by piece, and ends as the script says. What was asked of it
// is recorded. A test that lets an update run in the background reads the
// record only once that update has ended, or from inside `on_open`.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/internet.h"

namespace pq::fakes {

struct FakeResponse {
  enum class Ending { Complete, FailedRead, Endless };

  std::string body;
  std::optional<uint64_t> announced;  // Content-Length, when the server sends one
  Ending ending = Ending::Complete;
  size_t piece_limit = 0;    // largest piece the server hands out at once; 0: no limit
  uint64_t ms_per_read = 0;  // how long each read takes, on the fake clock
  uint32_t status = 200;
  std::map<std::string, std::string> headers{};  // response headers, by name
};

class FakeInternet : public Internet {
 public:
  explicit FakeInternet(FakeClock* clock = nullptr) : clock_(clock) {}

  std::string AgentName() override { return agent; }
  std::unique_ptr<InternetSession> OpenSession(const std::string& agent_name,
                                               const InternetTimeouts& timeouts) override;
  uint32_t Canonicalize(const std::string& address, std::string& canonical) override;
  uint32_t AttemptConnect() override {
    ++connect_attempts;
    return connect_error;
  }

  // The script.
  std::string agent = "iexplore.exe";
  bool refuse_sessions = false;
  std::map<std::string, FakeResponse> responses;       // addresses that open
  std::map<std::string, std::string> canonical_forms;  // others are their own
  uint32_t canonicalize_error = 0;
  uint32_t connect_error = 0;  // what AttemptConnect answers; 0 is online
  // Run when the address is asked for, before it answers: what else happens
  // meanwhile (another window's update, say). Each runs once.
  std::map<std::string, std::function<void()>> on_open;

  // The record.
  std::vector<std::string> session_agents;
  std::vector<InternetTimeouts> session_timeouts;
  std::vector<std::string> canonicalized;
  std::vector<std::string> opened;  // every address asked for, opened or not
  std::vector<RequestHeaders> request_headers;  // what each of them was asked with
  int reads = 0;
  int connect_attempts = 0;
  int open_resources = 0;  // resources not yet closed
  int open_sessions = 0;   // sessions not yet closed

 private:
  friend class FakeSession;
  friend class FakeResource;
  FakeClock* clock_;
};

}  // namespace pq::fakes
