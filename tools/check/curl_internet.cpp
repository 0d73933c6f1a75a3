#include "check/curl_internet.h"

#include <curl/curl.h>

#include <algorithm>

#include "config/toolbar_config.h"
#include "platform/text.h"

namespace pq::check {
namespace {

// The whole response is fetched when the address is opened, within the
// session's limits, and then handed out piece by piece.
class CurlResource final : public InternetResource {
 public:
  CurlResource(std::string body, std::optional<uint64_t> length, uint32_t status,
               std::string head)
      : body_(std::move(body)), length_(length), status_(status), head_(std::move(head)) {}
  std::optional<uint64_t> AnnouncedLength() override { return length_; }
  uint32_t StatusCode() override { return status_; }
  // The last response's header lines (after redirects, the final one's).
  std::optional<std::string> ResponseHeader(const std::string& name) override {
    std::optional<std::string> found;
    size_t at = 0;
    while (at < head_.size()) {
      size_t end = head_.find("\r\n", at);
      if (end == std::string::npos) end = head_.size();
      const std::string line = head_.substr(at, end - at);
      at = end + 2;
      if (line.starts_with("HTTP/")) found.reset();  // a new response begins
      const size_t colon = line.find(':');
      if (colon == std::string::npos || !SameText(line.substr(0, colon), name)) continue;
      const size_t value = line.find_first_not_of(" \t", colon + 1);
      found = value == std::string::npos ? std::string() : line.substr(value);
    }
    return found;
  }
  bool ReadPiece(size_t capacity, std::string& piece) override {
    const size_t size = std::min(capacity, body_.size() - at_);
    piece.assign(body_, at_, size);
    at_ += size;
    return true;
  }

 private:
  std::string body_;
  std::optional<uint64_t> length_;
  uint32_t status_;
  std::string head_;
  size_t at_ = 0;
};

size_t AppendHead(char* data, size_t size, size_t count, void* head) {
  static_cast<std::string*>(head)->append(data, size * count);
  return size * count;
}

// Past the toolbar's own limits the answer is of no use: the transfer ends.
size_t Append(char* data, size_t size, size_t count, void* body) {
  auto& text = *static_cast<std::string*>(body);
  if (text.size() + size * count > kDownloadSizeLimit + 1) return 0;
  text.append(data, size * count);
  return size * count;
}

class CurlSession final : public InternetSession {
 public:
  CurlSession(std::string agent, const InternetTimeouts& timeouts)
      : agent_(std::move(agent)), timeouts_(timeouts) {}

  std::unique_ptr<InternetResource> OpenAddress(const std::string& address,
                                                const RequestHeaders& headers) override {
    CURL* curl = curl_easy_init();
    if (!curl) return nullptr;
    std::string body, head;
    curl_slist* lines = nullptr;
    for (const auto& [name, value] : headers)
      lines = curl_slist_append(lines, (name + ": " + value).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, lines);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, AppendHead);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &head);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent_.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(kDownloadDeadlineMs));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.connect_ms));
    // Below this rate for the receive timeout the server counts as silent.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, static_cast<long>(timeouts_.receive_ms / 1000)));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode result = curl_easy_perform(curl);
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(lines);
    if (result != CURLE_OK) return nullptr;
    return std::make_unique<CurlResource>(
        std::move(body),
        length >= 0 ? std::optional<uint64_t>(static_cast<uint64_t>(length)) : std::nullopt,
        static_cast<uint32_t>(status), std::move(head));
  }

 private:
  std::string agent_;
  InternetTimeouts timeouts_;
};

}  // namespace

CurlInternet::CurlInternet() { curl_global_init(CURL_GLOBAL_DEFAULT); }
CurlInternet::~CurlInternet() { curl_global_cleanup(); }

std::unique_ptr<InternetSession> CurlInternet::OpenSession(const std::string& agent,
                                                           const InternetTimeouts& timeouts) {
  return std::make_unique<CurlSession>(agent, timeouts);
}

uint32_t CurlInternet::Canonicalize(const std::string& address, std::string& canonical) {
  canonical = address;
  return 0;
}

}  // namespace pq::check
