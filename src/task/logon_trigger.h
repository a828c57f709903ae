#pragma once
// ILogonTrigger, the trigger that starts a task when a user logs on. Some
// Windows headers (MinGW-w64's among them) do not declare it; where the
// Windows SDK does, its own declaration is used.
#include "platform/windows.h"
#include <taskschd.h>

#ifndef __ILogonTrigger_INTERFACE_DEFINED__  // NOLINT(bugprone-reserved-identifier): the SDK header's guard
#define __ILogonTrigger_INTERFACE_DEFINED__  // NOLINT(bugprone-reserved-identifier)

// {72DADE38-FAE4-4B3E-BAF4-5D009AF02B1C}
inline constexpr IID IID_ILogonTrigger = {0x72dade38, 0xfae4, 0x4b3e, {0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c}};

struct ILogonTrigger : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};

#endif
