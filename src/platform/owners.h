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
    T** put() {
        reset();
        return &ptr_;
    }
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
    HKEY* put() {
        reset();
        return &key_;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A file or folder handle, closed on the way out. Empty when the open failed.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (handle_ != INVALID_HANDLE_VALUE) api().CloseHandle(handle_);
        handle_ = handle;
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A library loaded at run time, freed on the way out.
class Library {
public:
    explicit Library(HMODULE module) : module_(module) {}
    ~Library() {
        if (module_) api().FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

// The thread's COM apartment: one CoUninitialize for each successful entry
// (S_FALSE counts as one).
class ComApartment {
public:
    ComApartment() = default;
    ~ComApartment() { reset(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // CoInitialize: a single-threaded apartment.
    HRESULT enter() { return track(api().CoInitialize(nullptr)); }
    HRESULT enter(DWORD model) { return track(api().CoInitializeEx(nullptr, model)); }
    void reset() {
        if (entered_) {
            entered_ = false;
            api().CoUninitialize();
        }
    }

private:
    HRESULT track(HRESULT hr) {
        entered_ = SUCCEEDED(hr);
        return hr;
    }

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
