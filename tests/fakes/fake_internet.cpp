#include "fakes/fake_internet.h"

#include <algorithm>

#include "platform/text.h"

namespace pq::fakes {

class FakeResource : public InternetResource {
 public:
  FakeResource(FakeInternet& owner, const FakeResponse& response)
      : owner_(owner), response_(response) {
    ++owner_.open_resources;
  }
  ~FakeResource() override { --owner_.open_resources; }

  std::optional<uint64_t> AnnouncedLength() override { return response_.announced; }
  uint32_t StatusCode() override { return response_.status; }
  std::optional<std::string> ResponseHeader(const std::string& name) override {
    for (const auto& [key, value] : response_.headers)
      if (SameText(key, name)) return value;
    return std::nullopt;
  }

  bool ReadPiece(size_t capacity, std::string& piece) override {
    ++owner_.reads;
    if (owner_.clock_) owner_.clock_->Advance(response_.ms_per_read);
    size_t size = capacity;
    if (response_.piece_limit) size = std::min(size, response_.piece_limit);
    if (position_ < response_.body.size()) {
      piece = response_.body.substr(position_, size);
      position_ += piece.size();
      return true;
    }
    switch (response_.ending) {
      case FakeResponse::Ending::Complete:
        piece.clear();
        return true;
      case FakeResponse::Ending::FailedRead:
        return false;
      case FakeResponse::Ending::Endless:
        piece.assign(size, 'x');
        return true;
    }
    return false;
  }

 private:
  FakeInternet& owner_;
  FakeResponse response_;
  size_t position_ = 0;
};

class FakeSession : public InternetSession {
 public:
  explicit FakeSession(FakeInternet& owner) : owner_(owner) { ++owner_.open_sessions; }
  ~FakeSession() override { --owner_.open_sessions; }

  std::unique_ptr<InternetResource> OpenAddress(const std::string& address,
                                                const RequestHeaders& headers) override {
    owner_.opened.push_back(address);
    owner_.request_headers.push_back(headers);
    if (auto meanwhile = owner_.on_open.extract(address)) meanwhile.mapped()();
    auto found = owner_.responses.find(address);
    if (found == owner_.responses.end()) return nullptr;
    return std::make_unique<FakeResource>(owner_, found->second);
  }

 private:
  FakeInternet& owner_;
};

std::unique_ptr<InternetSession> FakeInternet::OpenSession(const std::string& agent_name,
                                                           const InternetTimeouts& timeouts) {
  session_agents.push_back(agent_name);
  session_timeouts.push_back(timeouts);
  if (refuse_sessions) return nullptr;
  return std::make_unique<FakeSession>(*this);
}

uint32_t FakeInternet::Canonicalize(const std::string& address, std::string& canonical) {
  canonicalized.push_back(address);
  if (canonicalize_error) return canonicalize_error;
  auto found = canonical_forms.find(address);
  canonical = found == canonical_forms.end() ? address : found->second;
  return 0;
}

}  // namespace pq::fakes
