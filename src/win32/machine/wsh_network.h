// The scripting host's network object, declared here because the platform's
// SDK headers do not carry it. Its methods are called through the function
// table, so the declaration order below is the interface's layout.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace tarnwell::wsh {

// {093FF999-1EA0-4079-9525-9614C3504B74}
inline constexpr CLSID kClsidWshNetwork = {
    0x093FF999, 0x1EA0, 0x4079, {0x95, 0x25, 0x96, 0x14, 0xC3, 0x50, 0x4B, 0x74}};
// {F935DC25-1CF0-11D0-ADB9-00C04FD58A0B}
inline constexpr IID kIidIWshNetwork = {
    0xF935DC25, 0x1CF0, 0x11D0, {0xAD, 0xB9, 0x00, 0xC0, 0x4F, 0xD5, 0x8A, 0x0B}};
// {24BE5A31-EDFE-11D2-B933-00104B365C9F}
inline constexpr IID kIidIWshNetwork2 = {
    0x24BE5A31, 0xEDFE, 0x11D2, {0xB9, 0x33, 0x00, 0x10, 0x4B, 0x36, 0x5C, 0x9F}};

// The object's original interface: six properties, then the drive and printer
// methods, SetDefaultPrinter last.
struct IWshNetwork : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_UserDomain(BSTR* user_domain) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserName(BSTR* user_name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserProfile(BSTR* user_profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ComputerName(BSTR* computer_name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Organization(BSTR* organization) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Site(BSTR* site) = 0;
  virtual HRESULT STDMETHODCALLTYPE MapNetworkDrive(BSTR local_name, BSTR remote_name,
                                                    VARIANT* update_profile, VARIANT* user_name,
                                                    VARIANT* password) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveNetworkDrive(BSTR name, VARIANT* force,
                                                       VARIANT* update_profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumNetworkDrives(IDispatch** drives) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddPrinterConnection(BSTR local_name, BSTR remote_name,
                                                         VARIANT* update_profile,
                                                         VARIANT* user_name,
                                                         VARIANT* password) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemovePrinterConnection(BSTR name, VARIANT* force,
                                                            VARIANT* update_profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumPrinterConnections(IDispatch** printers) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultPrinter(BSTR name) = 0;
};

// The object's default interface extends the original one.
struct IWshNetwork2 : public IWshNetwork {
  virtual HRESULT STDMETHODCALLTYPE AddWindowsPrinterConnection(BSTR printer_name,
                                                                BSTR driver_name,
                                                                BSTR port) = 0;
};

}  // namespace tarnwell::wsh
