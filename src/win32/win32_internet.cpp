#include "win32/win32_internet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>

#include "platform/text.h"
#include "win32/handles.h"
#include "win32/modules.h"
#include "win32/wide_text.h"

namespace pq::win32 {
namespace {

using unique_hinternet = unique_handle<HINTERNET, &InternetCloseHandle>;

// Past the cache both ways: the server's own answer reaches us (a 304 as a
// 304), no condition but ours is added, and nothing is kept for later.
constexpr DWORD kNoCache = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

void SetTimeouts(HINTERNET handle, const InternetTimeouts& timeouts) {
  const DWORD options[][2] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect_ms},
                              {INTERNET_OPTION_SEND_TIMEOUT, timeouts.send_ms},
                              {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive_ms}};
  for (const auto& option : options) {
    DWORD value = option[1];
    InternetSetOptionW(handle, option[0], &value, sizeof value);
  }
}

class Win32Resource final : public InternetResource {
 public:
  // `connection` is the server connection an HTTP request was made on, or none.
  Win32Resource(unique_hinternet connection, unique_hinternet request)
      : connection_(std::move(connection)), request_(std::move(request)) {}

  std::optional<uint64_t> AnnouncedLength() override {
    // A chunked body carries its own lengths; a Content-Length beside it means nothing.
    const std::optional<std::string> encoding = Header(HTTP_QUERY_TRANSFER_ENCODING);
    if (encoding && !SameText(*encoding, "identity")) return std::nullopt;
    const std::optional<std::string> length = Header(HTTP_QUERY_CONTENT_LENGTH);
    if (!length || length->empty() || length->find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    // Too many digits saturate, which is past any limit.
    return std::strtoull(length->c_str(), nullptr, 10);
  }

  uint32_t StatusCode() override {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr))
      return 0;
    return status;
  }

  std::optional<std::string> ResponseHeader(const std::string& name) override {
    // HTTP_QUERY_CUSTOM takes the name in the buffer and gives the value back there.
    const std::wstring wide = Wide(name);
    std::wstring text = wide;
    text.resize(std::max<size_t>(wide.size() + 1, 64), L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
      DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
      if (HttpQueryInfoW(request_.get(), HTTP_QUERY_CUSTOM, text.data(), &size, nullptr)) {
        text.resize(size / sizeof(wchar_t));
        return Utf8(text);
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
      text = wide;
      text.resize(std::max<size_t>(size / sizeof(wchar_t) + 1, wide.size() + 1), L'\0');
    }
    return std::nullopt;
  }

  bool ReadPiece(size_t capacity, std::string& piece) override {
    // A read of a fixed size waits until that much has arrived, however slowly
    // the server sends; asking what has arrived first bounds each wait by the
    // receive timeout.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request_.get(), &available, 0, 0)) return false;
    piece.clear();
    if (available == 0) return true;
    piece.resize(available < capacity ? available : capacity);
    DWORD read = 0;
    if (!InternetReadFile(request_.get(), piece.data(), static_cast<DWORD>(piece.size()), &read))
      return false;
    piece.resize(read);
    return true;
  }

 private:
  // A response header's value; none when the response has no such header.
  std::optional<std::string> Header(DWORD level) {
    std::wstring text(64, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
      // Sizes count bytes.
      DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
      if (HttpQueryInfoW(request_.get(), level, text.data(), &size, nullptr)) {
        text.resize(size / sizeof(wchar_t));
        return Utf8(text);
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
      text.assign(size / sizeof(wchar_t) + 1, L'\0');
    }
    return std::nullopt;
  }

  // Declared first so that the request closes before its connection.
  unique_hinternet connection_;
  unique_hinternet request_;
};

class Win32Session final : public InternetSession {
 public:
  Win32Session(unique_hinternet session, const InternetTimeouts& timeouts)
      : session_(std::move(session)), timeouts_(timeouts) {}

  std::unique_ptr<InternetResource> OpenAddress(const std::string& address,
                                                const RequestHeaders& headers) override {
    const std::wstring wide = Wide(address);
    std::wstring lines;
    for (const auto& [name, value] : headers) lines += Wide(name) + L": " + Wide(value) + L"\r\n";
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength =
        parts.dwPasswordLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (InternetCrackUrlW(wide.c_str(), 0, 0, &parts) &&
        (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS))
      return OpenHttp(parts, lines);
    // Other schemes get what the session's timeouts give them.
    unique_hinternet request(InternetOpenUrlW(session_.get(), wide.c_str(),
                                              lines.empty() ? nullptr : lines.c_str(),
                                              static_cast<DWORD>(lines.size()), kNoCache, 0));
    if (!request) return nullptr;
    return std::make_unique<Win32Resource>(unique_hinternet(), std::move(request));
  }

 private:
  static std::wstring Part(const wchar_t* text, DWORD length) {
    return text ? std::wstring(text, length) : std::wstring();
  }

  // The steps of opening an HTTP address, taken one by one so that the request
  // gets its timeouts before it is sent: a session's send and receive timeouts
  // do not reach the requests that opening an address whole makes everywhere.
  std::unique_ptr<InternetResource> OpenHttp(const URL_COMPONENTSW& parts,
                                             const std::wstring& lines) {
    const std::wstring host = Part(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring user = Part(parts.lpszUserName, parts.dwUserNameLength);
    const std::wstring password = Part(parts.lpszPassword, parts.dwPasswordLength);
    std::wstring object = Part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

    unique_hinternet connection(InternetConnectW(
        session_.get(), host.c_str(), parts.nPort, user.empty() ? nullptr : user.c_str(),
        password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return nullptr;
    const wchar_t* accept[] = {L"*/*", nullptr};
    // Over HTTPS the server's certificate is checked as Windows checks it; no
    // flag or option lets an untrusted, expired or misnamed one pass.
    unique_hinternet request(
        HttpOpenRequestW(connection.get(), L"GET", object.c_str(), nullptr, nullptr, accept,
                         kNoCache | (secure ? INTERNET_FLAG_SECURE : 0), 0));
    if (!request) return nullptr;
    SetTimeouts(request.get(), timeouts_);
    if (!HttpSendRequestW(request.get(), lines.empty() ? nullptr : lines.c_str(),
                          static_cast<DWORD>(lines.size()), nullptr, 0))
      return nullptr;
    return std::make_unique<Win32Resource>(std::move(connection), std::move(request));
  }

  unique_hinternet session_;
  InternetTimeouts timeouts_;
};

}  // namespace

std::string Win32Internet::AgentName() {
  const std::string path = ModuleFileName(nullptr);
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::unique_ptr<InternetSession> Win32Internet::OpenSession(const std::string& agent,
                                                            const InternetTimeouts& timeouts) {
  unique_hinternet session(
      InternetOpenW(Wide(agent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return nullptr;
  SetTimeouts(session.get(), timeouts);
  return std::make_unique<Win32Session>(std::move(session), timeouts);
}

uint32_t Win32Internet::Canonicalize(const std::string& address, std::string& canonical) {
  // Decoding never lengthens an address, but canonical forms may gain a few
  // characters ("http://host" becomes "http://host/"); the system names the
  // size it needs when that is not enough.
  // Decoded escapes come back from the wide call as one UTF-16 unit each,
  // where the address means bytes: UTF-8 ones, most likely. The address goes
  // in as ASCII, its other bytes escaped (decoding gives them back), and
  // every unit of the answer is one byte again.
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::wstring wide;
  wide.reserve(address.size());
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      wide.push_back(static_cast<wchar_t>(byte));
    } else {
      wide.push_back(L'%');
      wide.push_back(static_cast<wchar_t>(kHex[byte >> 4]));
      wide.push_back(static_cast<wchar_t>(kHex[byte & 0xF]));
    }
  }
  std::wstring buffer(wide.size() + 16, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (InternetCanonicalizeUrlW(wide.c_str(), buffer.data(), &length,
                                 ICU_DECODE | ICU_NO_ENCODE)) {
      buffer.resize(length < buffer.size() ? length : buffer.size());
      const size_t end = buffer.find(L'\0');
      if (end != std::wstring::npos) buffer.resize(end);
      std::string bytes;
      bytes.reserve(buffer.size());
      for (const wchar_t unit : buffer) {
        if (unit > 0xFF) {
          // Not from an escape: a character the system put in itself.
          bytes = Utf8(buffer);
          break;
        }
        bytes.push_back(static_cast<char>(unit));
      }
      canonical = std::move(bytes);
      return 0;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return error;
    const size_t needed = static_cast<size_t>(length) + 1;
    buffer.assign(needed > buffer.size() ? needed : buffer.size() * 2, L'\0');
  }
  return ERROR_INSUFFICIENT_BUFFER;
}

uint32_t Win32Internet::AttemptConnect() { return InternetAttemptConnect(0); }

}  // namespace pq::win32
