#pragma once
// Text and error conversions at the edge of COM: wide strings and BSTRs from
// the system code page, and failure HRESULTs raised as errors with the
// system's text.
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <string>

namespace pq::win32 {

// Converts text in the system code page to UTF-16, embedded NULs included.
std::wstring WideFromText(const std::string& text);

// Owns one BSTR.
class Bstr {
 public:
  explicit Bstr(const std::string& text);
  ~Bstr() { SysFreeString(bstr_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return bstr_; }

 private:
  BSTR bstr_ = nullptr;
};

// The system's message for a failure code.
std::string MessageForHResult(HRESULT hr);

// Raises Error with the system's message when hr is a failure.
void CheckHResult(HRESULT hr);

// True for the failures that say the object on the other side of a call is
// gone for good: its server ended or disconnected it.
bool IsDisconnection(HRESULT hr);

}  // namespace pq::win32
