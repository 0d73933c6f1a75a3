#pragma once
// The band site that a browser gives each band: the docking window, the
// focus tracker, the command target and the way to the hosting browser. It
// answers as the browser does; what the band tells or asks it goes to the
// hooks, after the answer is made, for a host to act on or a test to record.
#include <docobj.h>
#include <servprov.h>
#include <shobjidl.h>
#include <windows.h>

#include "win32/com_object.h"

namespace pq {

class BrowserSite : public win32::ComObject<BrowserSite, IOleWindow, IInputObjectSite,
                                            IOleCommandTarget, IServiceProvider> {
 public:
  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter_mode) override;
  // IInputObjectSite
  STDMETHODIMP OnFocusChangeIS(IUnknown* object, BOOL gained) override;
  // IOleCommandTarget: the band's request for a new look at its band
  // information is the one command the site carries out.
  STDMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands,
                           OLECMDTEXT* text) override;
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                    VARIANT* out) override;
  // IServiceProvider: the hosting browser, when there is one.
  STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;

  // The count of references held, for tests that look at it.
  ULONG references() const { return ReferenceCount(); }

 protected:
  BrowserSite() = default;
  virtual ~BrowserSite() = default;

  // The window that holds the band.
  virtual HWND Window() = 0;
  // The hosting browser the site offers; none when null.
  virtual IUnknown* Browser() { return nullptr; }

  virtual void WindowAsked() {}
  virtual void HelpAsked() {}
  virtual void FocusChanged(IUnknown* /*object*/, BOOL /*gained*/) {}
  virtual void StatusAsked(const GUID* /*group*/) {}
  // `band_info_changed` when the command asks for a new look at the band
  // information, which the site answered with S_OK.
  virtual void Executed(const GUID* /*group*/, DWORD /*command*/, DWORD /*option*/,
                        const VARIANT* /*in*/, const VARIANT* /*out*/, bool /*band_info_changed*/) {
  }
  virtual void ServiceAsked(REFGUID /*service*/, REFIID /*riid*/, HRESULT /*answer*/) {}

 private:
  friend ComObject;
};

}  // namespace pq
