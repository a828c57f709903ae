#pragma once
// The COM objects behind simulated_wmi.h.
#include <string>
#include <utility>
#include <vector>

#include "simulated_wmi.h"

// Reference counting shared by the simulated objects; the firmware counts
// live objects and outstanding references across all of them.
template <class Interface>
class SimulatedComObject : public Interface {
public:
    SimulatedComObject(SimulatedFirmware& firmware, std::string description)
        : firmware_(firmware), description_(std::move(description)) {
        firmware_.ObjectCreated();
    }
    virtual ~SimulatedComObject() = default;
    SimulatedComObject(const SimulatedComObject&) = delete;
    SimulatedComObject& operator=(const SimulatedComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        firmware_.ReferenceAdded();
        return ++references_;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        firmware_.ReferenceReleased();
        ULONG left = --references_;
        if (left == 0) {
            firmware_.ObjectReleased(description_);
            delete this;
        }
        return left;
    }

    const std::string& description() const { return description_; }

protected:
    SimulatedFirmware& firmware_;

private:
    std::string description_;
    ULONG references_ = 0;
};

// Hands out a new object with its one reference.
template <class Object, class Interface, class... Arguments>
void HandOut(Interface** out, Arguments&&... arguments) {
    Object* object = new Object(std::forward<Arguments>(arguments)...);
    object->AddRef();
    *out = object;
}

// A class object or an instance: a bag of named values.
class SimulatedObject : public SimulatedComObject<IWbemClassObject> {
public:
    enum class Kind { Class, Instance };
    // An instance's description is "<class> instance" unless given.
    SimulatedObject(SimulatedFirmware& firmware, std::wstring className, Kind kind, std::string description,
                    std::string instanceDescription = "");
    ~SimulatedObject() override;

    // The simulated object behind an interface pointer, or null for another's.
    static SimulatedObject* From(IUnknown* object);

    void Set(const std::wstring& name, const VARIANT& value);  // stores a copy
    const VARIANT* Find(const std::wstring& name) const;
    const std::wstring& className() const { return className_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override;
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE* type, LONG* flavor) override;
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE type) override;
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override;
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override;
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override;
    HRESULT STDMETHODCALLTYPE EndEnumeration() override;
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override;
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG flags, IWbemClassObject** instance) override;
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override;
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override;
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR name, LONG flags, IWbemClassObject** inSignature,
                                        IWbemClassObject** outSignature) override;
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override;
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override;
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override;
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override;
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override;

private:
    std::wstring className_;
    Kind kind_;
    std::string instanceDescription_;
    std::vector<std::pair<std::wstring, VARIANT>> properties_;
};

class SimulatedLocator : public SimulatedComObject<IWbemLocator> {
public:
    explicit SimulatedLocator(SimulatedFirmware& firmware) : SimulatedComObject(firmware, "locator") {}

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR resource, const BSTR user, const BSTR password,
                                            const BSTR locale, LONG flags, const BSTR authority, IWbemContext* context,
                                            IWbemServices** services) override;
};

class SimulatedServices : public SimulatedComObject<IWbemServices> {
public:
    explicit SimulatedServices(SimulatedFirmware& firmware) : SimulatedComObject(firmware, "services") {}

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                            IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override;
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR path, LONG flags, IWbemContext* context, IWbemClassObject** object,
                                        IWbemCallResult** callResult) override;
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override;
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR className, LONG flags, IWbemContext* context,
                                                 IEnumWbemClassObject** instances) override;
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                    IEnumWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                         IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR path, const BSTR method, LONG flags, IWbemContext* context,
                                         IWbemClassObject* inParameters, IWbemClassObject** outParameters,
                                         IWbemCallResult** callResult) override;
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                              IWbemObjectSink*) override;
};

// Yields the tlvBIntM instance once, when the firmware has one.
class SimulatedEnumerator : public SimulatedComObject<IEnumWbemClassObject> {
public:
    explicit SimulatedEnumerator(SimulatedFirmware& firmware) : SimulatedComObject(firmware, "tlvBIntM enumerator") {}

    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override;
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override;
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override;

private:
    bool yielded_ = false;
};

// ASCII text of a wide name ("" for null); other characters become '?'.
std::string Narrow(const wchar_t* text);
// "VT 0x2011, lbound 0, 53 45 43 55", "VT 0x3, 44", "VT 0xd, tlvBDataIn instance".
std::string DescribeValue(const VARIANT& value);
// The method's out-parameters for an answer, shaped as the firmware is told.
IWbemClassObject* MakeAnswer(SimulatedFirmware& firmware, LONG returnCode, const std::array<BYTE, 4>& answer);
