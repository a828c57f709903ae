#pragma once
// The class factory of a stand-in's in-process COM server. It lives as long
// as the DLL: its references and LockServer calls only keep the DLL loaded.
#include <windows.h>

class ServerClassFactory : public IClassFactory {
public:
    // How many references and locks keep the DLL loaded.
    LONG locks = 0;

    // What DllGetClassObject answers: this factory for its own class only.
    HRESULT Serve(REFCLSID served, REFCLSID asked, REFIID iid, void** object) {
        if (!object) return E_POINTER;
        if (!IsEqualCLSID(asked, served)) {
            *object = nullptr;
            return CLASS_E_CLASSNOTAVAILABLE;
        }
        return QueryInterface(iid, object);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&locks) + 1; }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&locks) + 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return Create(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&locks);
        } else {
            InterlockedDecrement(&locks);
        }
        return S_OK;
    }

protected:
    virtual ~ServerClassFactory() = default;
    // Makes the served object; object is not null and already emptied.
    virtual HRESULT Create(REFIID iid, void** object) = 0;
};
