// The component object model stand-in: identities, the IUnknown/IDispatch
// shapes, class factories, in-process servers loaded with dlopen, a per-user
// class registry and a registration-free manifest beside the program.
//
// Calling convention across interfaces: every member returns an HRESULT.
// A member that "fails back to the caller" returns a failure code; a run-time
// error inside a server becomes 0x800A0000 | number, with its description
// kept as the thread's error info, and ThrowIfFailed turns it back into the
// same RuntimeError on the caller's side.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

namespace vr::com {

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9);
inline constexpr HRESULT E_MOD_NOT_FOUND = static_cast<HRESULT>(0x8007007E);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201);

inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
inline constexpr bool Failed(HRESULT hr) { return hr < 0; }

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
    bool operator==(const GUID& o) const;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals.
std::string GuidToString(const GUID& g);
// Accepts the form above, with or without braces, in any letter case.
bool GuidFromString(const std::string& text, GUID& out);

extern const GUID IID_IUnknown;
extern const GUID IID_IDispatch;
extern const GUID IID_IClassFactory;

struct IUnknown {
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// The four standard dispatch slots; an interface's own members follow them.
struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, uint32_t locale, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(const GUID& reserved, const char** names, uint32_t count, uint32_t locale,
                                  int32_t* dispIds) = 0;
    virtual HRESULT Invoke(int32_t dispId, const GUID& reserved, uint32_t locale, uint16_t flags, void* params,
                           void* result, void* exceptionInfo, uint32_t* argumentError) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) = 0;
    virtual HRESULT LockServer(int32_t lock) = 0;

protected:
    ~IClassFactory() = default;
};

// ---- error info shared by servers and clients ----

// The HRESULT of a run-time error number (0x800A0000 | number).
HRESULT HResultFromRuntimeError(int32_t number);
// Converts the exception being handled (inside a catch block) into an HRESULT
// and records its description as the thread's error info.
HRESULT HResultFromCurrentException();
void SetErrorDescription(const std::string& text);
std::string TakeErrorDescription();
// Throws the RuntimeError a failed call stands for: run-time errors keep their
// number; "class not registered" and a missing server become 429; "not
// implemented" becomes 445; other failures keep the HRESULT as their number.
void ThrowIfFailed(HRESULT hr);
// A readable text for an HRESULT (with the thread's last error detail, if any).
std::string DescribeHResult(HRESULT hr);

// ---- server side ----

// Live objects and locks of one server library; it may unload when both are 0.
struct ServerCounts {
    std::atomic<long> objects{0};
    std::atomic<long> locks{0};
};

// Creates a new object of a class and answers the requested interface.
using CreateFunction = HRESULT (*)(const GUID& iid, void** object);

struct ClassEntry {
    GUID clsid;
    const char* name;
    CreateFunction create;
};

struct ServerDescription {
    const char* name;  // the type library's name
    GUID typeLibrary;
    const ClassEntry* classes;
    size_t classCount;
    ServerCounts* counts;
};

HRESULT ServerGetClassObject(const ServerDescription& server, const GUID& clsid, const GUID& iid, void** object);
HRESULT ServerCanUnloadNow(const ServerDescription& server);
HRESULT ServerRegister(const ServerDescription& server);
HRESULT ServerUnregister(const ServerDescription& server);

// Where DllRegisterServer writes: the per-user registry (default), or a
// manifest file whose library paths are written relative to its folder.
void SetRegistrationTarget(const std::string& file, bool relativePaths);
// The per-user class registry: $VR_COM_REGISTRY, or
// $XDG_CONFIG_HOME/vrplatform/classes.ini (default ~/.config/...).
std::string RegistryPath();
// The registration-free manifest looked up beside the running program.
inline constexpr const char* kManifestName = "vr-classes.manifest";
// The machine-wide manifest of an installed platform: vrplatform/vr-classes.manifest
// in the folder that holds the platform library itself (PREFIX/lib/vrplatform/).
std::string MachineManifestPath();

// IUnknown for an object of one interface: QueryInterface answers IUnknown,
// the interface's identity and `alsoAnswers`; the reference count starts at 0
// and the last Release deletes the object; while it lives the object counts
// itself among its server's live objects.
template <class Interface>
class CountedObject : public Interface {
public:
    CountedObject(ServerCounts& counts, const GUID& iid, const GUID& alsoAnswers = IID_IUnknown)
        : counts_(counts), iid_(iid), also_(alsoAnswers) {
        ++counts_.objects;
    }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == iid_ || iid == also_) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs_); }
    uint32_t Release() override {
        long left = --refs_;
        if (left == 0) delete this;
        return static_cast<uint32_t>(left);
    }

protected:
    virtual ~CountedObject() { --counts_.objects; }

private:
    ServerCounts& counts_;
    GUID iid_, also_;
    std::atomic<long> refs_{0};
};

// A counted object of a dual interface: it also answers IDispatch, whose
// late binding by name answers E_NOTIMPL.
template <class Interface>
class DispatchObject : public CountedObject<Interface> {
public:
    DispatchObject(ServerCounts& counts, const GUID& iid) : CountedObject<Interface>(counts, iid, IID_IDispatch) {}

    HRESULT GetTypeInfoCount(uint32_t* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(uint32_t, uint32_t, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const GUID&, const char**, uint32_t, uint32_t, int32_t*) override { return E_NOTIMPL; }
    HRESULT Invoke(int32_t, const GUID&, uint32_t, uint16_t, void*, void*, void*, uint32_t*) override {
        return E_NOTIMPL;
    }

    // Creates an object and answers the interface asked for (for ClassEntry).
    template <class Concrete>
    static HRESULT CreateAs(const GUID& iid, void** object) {
        if (!object) return E_POINTER;
        *object = nullptr;
        Concrete* obj = new (std::nothrow) Concrete();
        if (!obj) return E_OUTOFMEMORY;
        obj->AddRef();
        HRESULT hr = obj->QueryInterface(iid, object);
        obj->Release();
        return hr;
    }
};

// ---- client side ----

inline constexpr uint32_t CLSCTX_INPROC_SERVER = 1;

// Creates an object of a class: the class is looked up in the manifest beside
// the running program, then in the per-user registry, then in the machine-wide
// manifest (MachineManifestPath); its server library is
// loaded once. Unknown classes answer REGDB_E_CLASSNOTREG; a server that
// cannot be loaded answers E_MOD_NOT_FOUND or CO_E_ERRORINDLL, with the detail
// in TakeErrorDescription().
HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, uint32_t context, const GUID& iid, void** object);
// Unloads every loaded server that answers DllCanUnloadNow with S_OK; returns
// how many were unloaded.
int CoFreeUnusedLibraries();
// The library path a class would be created from ("" when unknown).
std::string FindServerPath(const GUID& clsid);

// A counted reference that releases itself.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes a reference to `object` (a new object's first).
    explicit ComPtr(T* object) : p_(object) {
        if (p_) p_->AddRef();
    }
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& o) {
        if (this != &o) {
            Reset();
            p_ = o.p_;
            if (p_) p_->AddRef();
        }
        return *this;
    }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    T* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // For out parameters: releases the old reference first.
    void** Put() {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

}  // namespace vr::com

// Defines the four exported server entry points of a library for `server`.
#define VR_COM_SERVER_ENTRY_POINTS(server)                                                              \
    extern "C" __attribute__((visibility("default"))) vr::com::HRESULT DllGetClassObject(               \
        const vr::com::GUID& clsid, const vr::com::GUID& iid, void** object) {                          \
        return vr::com::ServerGetClassObject(server, clsid, iid, object);                               \
    }                                                                                                    \
    extern "C" __attribute__((visibility("default"))) vr::com::HRESULT DllCanUnloadNow() {              \
        return vr::com::ServerCanUnloadNow(server);                                                     \
    }                                                                                                    \
    extern "C" __attribute__((visibility("default"))) vr::com::HRESULT DllRegisterServer() {            \
        return vr::com::ServerRegister(server);                                                         \
    }                                                                                                    \
    extern "C" __attribute__((visibility("default"))) vr::com::HRESULT DllUnregisterServer() {          \
        return vr::com::ServerUnregister(server);                                                       \
    }
