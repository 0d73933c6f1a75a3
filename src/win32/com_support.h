#pragma once
// Text and error conversions at the edge of COM: BSTRs from UTF-8, failure
// HRESULTs raised as errors with the system's text, and errors turned back into HRESULTs where they meet a COM boundary.
#include <windows.h>
// after windows.h, which it needs
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "win32/wide_text.h"

namespace pq::win32 {

// Owns one BSTR.
class Bstr {
 public:
  explicit Bstr(const std::string& text);
  ~Bstr() { SysFreeString(bstr_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return bstr_; }
  // Hands the string over to the caller, who frees it.
  BSTR release() {
    BSTR released = bstr_;
    bstr_ = nullptr;
    return released;
  }

 private:
  BSTR bstr_ = nullptr;
};

// Owns one automation variant and clears it when it goes: empty unless made
// by one of the builders.
class Variant {
 public:
  // A number or a truth value owns nothing: it is made and dropped without
  // the automation library, which need not be loaded for it (VariantInit
  // only marks a value empty).
  Variant() { V_VT(&value_) = VT_EMPTY; }
  ~Variant() {
    if (!IsPlain()) VariantClear(&value_);
  }
  Variant(Variant&& other) noexcept : value_(other.value_) { V_VT(&other.value_) = VT_EMPTY; }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant& operator=(Variant&&) = delete;

  static Variant Integer(int32_t value);         // VT_I4
  static Variant Boolean(bool value);            // VT_BOOL
  static Variant Text(const std::string& text);  // VT_BSTR; throws std::bad_alloc

  VARIANT* get() { return &value_; }

 private:
  bool IsPlain() const {
    switch (V_VT(&value_)) {
      case VT_EMPTY:
      case VT_NULL:
      case VT_I4:
      case VT_BOOL:
        return true;
      default:
        return false;
    }
  }

  VARIANT value_;
};

// The system's message for a failure code.
std::string MessageForHResult(HRESULT hr);

// A failure reported by a COM call, with the code it came with.
class ComError : public Error {
 public:
  ComError(HRESULT code, const std::string& message) : Error(message), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// Raises ComError with the system's message when hr is a failure.
void CheckHResult(HRESULT hr);

// Inside a catch block only: the result that the exception being handled
// stands for at a COM boundary (a ComError's own code, E_OUTOFMEMORY for
// std::bad_alloc, else E_FAIL). Leaves a trace of it for a debugger.
HRESULT ResultFromCaughtException() noexcept;

// Runs `body`, which returns an HRESULT, at a COM boundary: nothing it throws
// gets out.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return ResultFromCaughtException();
  }
}

// True for the failures that say the object on the other side of a call is
// gone for good: its server ended, is ending (its interfaces already
// withdrawn), or disconnected it. A call cut off as the server ended counts
// too: that server answers nothing again.
bool IsDisconnection(HRESULT hr);

}  // namespace pq::win32
