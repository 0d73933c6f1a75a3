#include "win32/com_support.h"

#include <cstdio>
#include <exception>
#include <new>

#include "platform/error.h"
#include "win32/wide_text.h"
#include "win32/win32_system.h"

namespace pq::win32 {

Bstr::Bstr(const std::string& text) {
  const std::wstring wide = Wide(text);
  bstr_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!bstr_) throw std::bad_alloc();
}

Variant Variant::Integer(int32_t value) {
  Variant variant;
  V_VT(&variant.value_) = VT_I4;
  V_I4(&variant.value_) = value;
  return variant;
}

Variant Variant::Boolean(bool value) {
  Variant variant;
  V_VT(&variant.value_) = VT_BOOL;
  V_BOOL(&variant.value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return variant;
}

Variant Variant::Text(const std::string& text) {
  Variant variant;
  V_BSTR(&variant.value_) = Bstr(text).release();
  V_VT(&variant.value_) = VT_BSTR;
  return variant;
}

std::string MessageForHResult(HRESULT hr) {
  return Win32SystemMessages().MessageFor(static_cast<uint32_t>(hr));
}

void CheckHResult(HRESULT hr) {
  if (FAILED(hr)) throw ComError(hr, MessageForHResult(hr));
}

namespace {

void TraceCaught(const char* kind, const char* what, HRESULT result) noexcept {
  try {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
    const std::string line = std::string("Pelliquester: caught ") + kind + " \"" + what +
                             "\", answering 0x" + code + "\n";
    OutputDebugStringW(Wide(line).c_str());
  } catch (...) {
    // Without memory for the text there is no trace.
  }
}

}  // namespace

HRESULT ResultFromCaughtException() noexcept {
  try {
    throw;
  } catch (const ComError& error) {
    // A code that says success would tell the caller nothing went wrong.
    const HRESULT result = FAILED(error.code()) ? error.code() : E_FAIL;
    TraceCaught("ComError", error.what(), result);
    return result;
  } catch (const std::bad_alloc& error) {
    TraceCaught("std::bad_alloc", error.what(), E_OUTOFMEMORY);
    return E_OUTOFMEMORY;
  } catch (const std::exception& error) {
    TraceCaught("std::exception", error.what(), E_FAIL);
    return E_FAIL;
  } catch (...) {
    TraceCaught("an unknown exception", "", E_FAIL);
    return E_FAIL;
  }
}

bool IsDisconnection(HRESULT hr) {
  switch (hr) {
    case RPC_E_DISCONNECTED:
    case RPC_E_SERVER_DIED:
    case RPC_E_SERVER_DIED_DNE:
    case CO_E_OBJNOTCONNECTED:
    case CO_E_SERVER_STOPPING:
    case HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED):
    case HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE):
    case HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF):
      return true;
    default:
      return false;
  }
}

}  // namespace pq::win32
