#pragma once
// TTarnwick: the desk band that the browser creates through the class factory
// and talks to. It owns the window that the band shows.
#include <exdisp.h>
#include <ocidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>

#include "platform/desktop.h"
#include "platform/host_browser.h"
#include "platform/platform.h"
#include "win32/com_object.h"
#include "win32/toolbar_window.h"

namespace pq::band {

class ComServer;

class TTarnwick final
    : public win32::ComObject<TTarnwick, IDeskBand, IInputObject, IObjectWithSite,
                              IPersistStreamInit, IContextMenu, ISupportErrorInfo> {
 public:
  // A new object holding one reference, its creator's, through its own
  // IUnknown; `outer` is the controlling unknown of an aggregate, or null. The
  // object counts itself in the server. The platform serves the toolbar
  // window and outlives the object.
  TTarnwick(ComServer& server, Platform& platform, IUnknown* outer);
  ~TTarnwick();

  // The object's own IUnknown, which an aggregate holds it by.
  IUnknown* NonDelegatingUnknown() { return &inner_; }

  // IUnknown, delegated to the controlling unknown.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleWindow
  STDMETHODIMP GetWindow(HWND* phwnd) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter_mode) override;
  // IDockingWindow
  STDMETHODIMP ShowDW(BOOL show) override;
  STDMETHODIMP CloseDW(DWORD reserved) override;
  STDMETHODIMP ResizeBorderDW(LPCRECT border, IUnknown* toolbar_site, BOOL reserved) override;
  // IDeskBand
  STDMETHODIMP GetBandInfo(DWORD band_id, DWORD view_mode, DESKBANDINFO* info) override;

  // IInputObject
  STDMETHODIMP UIActivateIO(BOOL activate, MSG* msg) override;
  STDMETHODIMP HasFocusIO() override;
  STDMETHODIMP TranslateAcceleratorIO(MSG* msg) override;

  // IObjectWithSite
  STDMETHODIMP SetSite(IUnknown* site) override;
  STDMETHODIMP GetSite(REFIID riid, void** site) override;

  // IPersist, IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* class_id) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(IStream* stream) override;
  STDMETHODIMP Save(IStream* stream, BOOL clear_dirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
  STDMETHODIMP InitNew() override;

  // IContextMenu
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first_id, UINT last_id,
                                UINT flags) override;
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
  STDMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT* reserved, LPSTR name,
                                UINT max_chars) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  friend ComObject;
  // IPersist is the IPersistStreamInit table.
  void* OtherInterface(REFIID riid);

  class Inner final : public IUnknown {
   public:
    explicit Inner(TTarnwick& self) : self_(self) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    TTarnwick& self_;
  };

  // Asks the site to ask for the band information again.
  void UpdateBandInfo();
  void NotifyFocusChange(bool gained);

  Inner inner_{*this};
  IUnknown* outer_;

  bool has_focus_ = false;
  // The host's last word on showing the band (ShowDW), until it closes it.
  bool shown_ = false;
  HWND site_window_ = nullptr;
  DWORD band_id_ = 0;
  LONG reported_height_ = 0;  // the height the last GetBandInfo gave
  int32_t menu_item_count_ = 0;
  Microsoft::WRL::ComPtr<IUnknown> site_;
  Microsoft::WRL::ComPtr<IInputObjectSite> input_site_;
  Microsoft::WRL::ComPtr<IOleCommandTarget> command_target_;
  Platform& platform_;
  std::unique_ptr<win32::ToolbarWindow> toolbar_window_;
  // The band's own navigation: the hosting browser as the toolbar's
  // navigation takes it, and a browser of its own when there is none.
  HostBrowserRef navigator_;
  pq::SeparateBrowser separate_browser_;
  Microsoft::WRL::ComPtr<IWebBrowser2> host_browser_;
};

}  // namespace pq::band
