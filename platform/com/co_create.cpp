// CoCreateInstance: find the class's server (manifest beside the program
// first, then the per-user registry, then the machine-wide manifest of an
// installed platform), load it once, ask its factory.
#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/com.h"
#include "platform/kernel.h"
#include "platform/profile.h"

namespace vr::com {

namespace {

using GetClassObjectFn = HRESULT (*)(const GUID&, const GUID&, void**);
using CanUnloadFn = HRESULT (*)();

struct LoadedServer {
    void* handle = nullptr;
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadFn canUnload = nullptr;
};

std::map<std::string, LoadedServer>& Loaded() {
    static std::map<std::string, LoadedServer> loaded;
    return loaded;
}

// The server path of a class in one class file, resolved against the file's
// folder when it is relative; "" when the class is not listed.
std::string LookUp(const std::string& file, const GUID& clsid) {
    if (!PathFileExistsA(file)) return "";
    std::string section = "CLSID " + GuidToString(clsid);
    char buf[4096];
    uint32_t n = GetPrivateProfileStringA(section.c_str(), "Server", "", buf, sizeof buf, file.c_str());
    std::string path(buf, n);
    if (path.empty()) return "";
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(file).parent_path() / p;
    return p.lexically_normal().string();
}

}  // namespace

std::string FindServerPath(const GUID& clsid) {
    std::string path = LookUp(ProgramFolder() + "/" + kManifestName, clsid);
    if (path.empty()) path = LookUp(RegistryPath(), clsid);
    if (path.empty()) path = LookUp(MachineManifestPath(), clsid);
    return path;
}

HRESULT CoCreateInstance(const GUID& clsid, IUnknown* outer, uint32_t, const GUID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    std::string path = FindServerPath(clsid);
    if (path.empty()) {
        SetErrorDescription("class " + GuidToString(clsid) + " is not registered");
        return REGDB_E_CLASSNOTREG;
    }
    auto& loaded = Loaded();
    auto it = loaded.find(path);
    if (it == loaded.end()) {
        dlerror();
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            const char* why = dlerror();
            SetErrorDescription("cannot load " + path + ": " + (why ? why : "unknown reason"));
            return E_MOD_NOT_FOUND;
        }
        LoadedServer s;
        s.handle = h;
        s.getClassObject = reinterpret_cast<GetClassObjectFn>(dlsym(h, "DllGetClassObject"));
        s.canUnload = reinterpret_cast<CanUnloadFn>(dlsym(h, "DllCanUnloadNow"));
        if (!s.getClassObject) {
            dlclose(h);
            SetErrorDescription(path + " does not export DllGetClassObject");
            return CO_E_ERRORINDLL;
        }
        it = loaded.emplace(path, s).first;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = it->second.getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (Failed(hr) || !factory) return Failed(hr) ? hr : E_FAIL;
    hr = factory->CreateInstance(outer, iid, object);
    factory->Release();
    return hr;
}

int CoFreeUnusedLibraries() {
    int unloaded = 0;
    auto& loaded = Loaded();
    for (auto it = loaded.begin(); it != loaded.end();) {
        if (it->second.canUnload && it->second.canUnload() == S_OK) {
            dlclose(it->second.handle);
            it = loaded.erase(it);
            ++unloaded;
        } else {
            ++it;
        }
    }
    return unloaded;
}

}  // namespace vr::com
