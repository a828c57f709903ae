#pragma once
// Small owners, one Windows resource each, released on every way out.
// reset() releases early; the destructor releases whatever is still held.
#include "platform/api.h"

// One reference to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    void reset() {
        if (ptr_) {
            T* held = ptr_;
            ptr_ = nullptr;
            held->Release();
        }
    }
    // For a call that hands out a new reference.
    T** put() { reset(); return &ptr_; }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    T* ptr_ = nullptr;
};

// A BSTR made for one call. Empty when the allocation failed.
class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(api().SysAllocString(text)) {}
    ~Bstr() { api().SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }

private:
    BSTR value_;
};

// Calls `call` with a BSTR copy of text that lives for that call only. A copy
// that cannot be made fails the call with E_OUTOFMEMORY.
template <class Call>
HRESULT WithBstr(const wchar_t* text, Call call) {
    Bstr value(text);
    if (!value) return E_OUTOFMEMORY;
    return call(value.get());
}

// A VARIANT, cleared on the way out.
class Variant {
public:
    Variant() { api().VariantInit(&value_); }
    ~Variant() { reset(); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    void reset() { api().VariantClear(&value_); }
    VARIANT* get() { return &value_; }
    VARIANT* operator->() { return &value_; }

private:
    VARIANT value_;
};

// A registry key, closed on the way out.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    void reset() {
        if (key_) {
            api().RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    HKEY* put() { reset(); return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The thread's COM apartment: one CoUninitialize for each successful entry.
class ComApartment {
public:
    ComApartment() = default;
    ~ComApartment() { reset(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT enter(DWORD model) {
        HRESULT hr = api().CoInitializeEx(nullptr, model);
        entered_ = SUCCEEDED(hr);
        return hr;
    }
    void reset() {
        if (entered_) {
            entered_ = false;
            api().CoUninitialize();
        }
    }

private:
    bool entered_ = false;
};

// A safe array, destroyed on the way out.
class SafeArray {
public:
    explicit SafeArray(SAFEARRAY* array) : array_(array) {}
    ~SafeArray() {
        if (array_) api().SafeArrayDestroy(array_);
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* get() const { return array_; }
    explicit operator bool() const { return array_ != nullptr; }

private:
    SAFEARRAY* array_;
};
