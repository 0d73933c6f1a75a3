// Automation variants and BSTRs built from text in the system code page, and
// the results that caught errors give at a COM boundary.
#include "win32/com_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "support/counting_unknown.h"

namespace pq::win32 {
namespace {

// A value that holds a reference gives it up as it goes, whatever was put
// into it through get(), and a moved one only once.
TEST(Variant, ReleasesWhatItHoldsWhenItGoes) {
  testing::CountingUnknown object;
  {
    Variant held;
    object.AddRef();
    V_VT(held.get()) = VT_UNKNOWN;
    V_UNKNOWN(held.get()) = &object;
    Variant moved(std::move(held));
    EXPECT_EQ(V_VT(held.get()), VT_EMPTY);
    EXPECT_EQ(object.references, 2u);
  }
  EXPECT_EQ(object.references, 1u);
}

TEST(Variant, EachBuilderMakesItsTypeAndValue) {
  EXPECT_EQ(V_VT(Variant().get()), VT_EMPTY);
  Variant integer = Variant::Integer(-42);
  EXPECT_EQ(V_VT(integer.get()), VT_I4);
  EXPECT_EQ(V_I4(integer.get()), -42);
  for (bool value : {true, false}) {
    Variant boolean = Variant::Boolean(value);
    EXPECT_EQ(V_VT(boolean.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(boolean.get()), value ? VARIANT_TRUE : VARIANT_FALSE) << value;
  }
  // Text is converted from the system code page with its length; moved, a
  // variant leaves its source empty.
  const struct {
    std::string text;
    std::wstring expected;
  } texts[] = {
      {"", L""},
      {"{239C3CF1-51CD-435E-8519-61775A6780CF}", L"{239C3CF1-51CD-435E-8519-61775A6780CF}"},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const auto& t : texts) {
    Variant source = Variant::Text(t.text);
    Variant text(std::move(source));
    EXPECT_EQ(V_VT(source.get()), VT_EMPTY);
    ASSERT_EQ(V_VT(text.get()), VT_BSTR);
    ASSERT_NE(V_BSTR(text.get()), nullptr);
    EXPECT_EQ(std::wstring(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get()))), t.expected);
  }
}

TEST(Bstr, ReleaseHandsTheStringOver) {
  Bstr text("kept");
  BSTR released = text.release();
  EXPECT_EQ(text.get(), nullptr);
  EXPECT_STREQ(released, L"kept");
  SysFreeString(released);
}

TEST(ResultFromCaughtException, KeepsACarriedCodeAndNamesMemoryShortage) {
  const struct {
    const char* thrown;
    std::function<void()> raise;
    HRESULT expected;
  } cases[] = {
      {"a failure HRESULT raised as an error", [] { CheckHResult(E_ACCESSDENIED); },
       E_ACCESSDENIED},
      {"an error carrying a code", [] { throw ComError(STG_E_FILENOTFOUND, "gone"); },
       STG_E_FILENOTFOUND},
      {"an error carrying a success code", [] { throw ComError(S_FALSE, "odd"); }, E_FAIL},
      {"std::bad_alloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"another std::exception", [] { throw std::runtime_error("broken"); }, E_FAIL},
      {"the project's own error", [] { throw Error("broken"); }, E_FAIL},
      {"something that is no exception class", [] { throw 42; }, E_FAIL},
  };
  for (const auto& c : cases) {
    HRESULT result = S_OK;
    try {
      c.raise();
    } catch (...) {
      result = ResultFromCaughtException();
    }
    EXPECT_EQ(result, c.expected) << c.thrown;
    EXPECT_EQ(Guarded([&]() -> HRESULT {
                c.raise();
                return S_OK;
              }),
              c.expected)
        << c.thrown << ", through Guarded";
  }
  EXPECT_EQ(Guarded([] { return S_FALSE; }), S_FALSE) << "a body's own result passes through";
}

TEST(CheckHResult, LetsSuccessPassAndRaisesFailureWithItsCode) {
  EXPECT_NO_THROW(CheckHResult(S_OK));
  EXPECT_NO_THROW(CheckHResult(S_FALSE));
  try {
    CheckHResult(E_INVALIDARG);
    ADD_FAILURE() << "no error raised";
  } catch (const ComError& error) {
    EXPECT_EQ(error.code(), E_INVALIDARG);
    EXPECT_STRNE(error.what(), "");
  }
}

}  // namespace
}  // namespace pq::win32
