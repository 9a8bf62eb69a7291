// Class factories and the self-registration of in-process servers.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com.h"
#include "platform/error_rules.h"
#include "platform/kernel.h"
#include "platform/profile.h"

namespace vr::com {

namespace {

class ClassFactory final : public CountedObject<IClassFactory> {
public:
    ClassFactory(ServerCounts& counts, CreateFunction create)
        : CountedObject(counts, IID_IClassFactory), counts_(counts), create_(create) {}

    HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = S_OK;
        HRESULT thrown = ReturnErrorToCaller([&] { hr = create_(iid, object); });
        return Failed(thrown) ? thrown : hr;
    }
    HRESULT LockServer(int32_t lock) override {
        if (lock) ++counts_.locks;
        else --counts_.locks;
        return S_OK;
    }

private:
    ServerCounts& counts_;
    CreateFunction create_;
};

struct Target {
    std::string file;
    bool relative = false;
};
Target g_target;

// The absolute path of the library that holds `address`.
std::string LibraryPathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return "";
    char resolved[PATH_MAX];
    if (!realpath(info.dli_fname, resolved)) return info.dli_fname;
    return resolved;
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

bool EnsureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return IsDirectory(folder);
}

}  // namespace

std::string RegistryPath() {
    const char* env = std::getenv("VR_COM_REGISTRY");
    if (env && *env) return env;
    return UserConfigFolder() + "/vrplatform/classes.ini";
}

std::string MachineManifestPath() {
    std::string platform = LibraryPathOf(reinterpret_cast<const void*>(&MachineManifestPath));
    if (platform.empty()) return "";
    return FolderOf(platform) + "/vrplatform/" + kManifestName;
}

void SetRegistrationTarget(const std::string& file, bool relativePaths) {
    g_target.file = file;
    g_target.relative = relativePaths;
}

HRESULT ServerGetClassObject(const ServerDescription& server, const GUID& clsid, const GUID& iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < server.classCount; ++i) {
        if (server.classes[i].clsid == clsid) {
            ClassFactory* f = new (std::nothrow) ClassFactory(*server.counts, server.classes[i].create);
            if (!f) return E_OUTOFMEMORY;
            f->AddRef();
            HRESULT hr = f->QueryInterface(iid, object);
            f->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerCanUnloadNow(const ServerDescription& server) {
    return (server.counts->objects == 0 && server.counts->locks == 0) ? S_OK : S_FALSE;
}

HRESULT ServerRegister(const ServerDescription& server) {
    std::string file = g_target.file.empty() ? RegistryPath() : g_target.file;
    std::string lib = LibraryPathOf(&server);
    if (lib.empty() || !EnsureFolder(FolderOf(file))) return SELFREG_E_CLASS;
    std::string where = lib;
    if (g_target.relative) {
        std::error_code ec;
        auto rel = std::filesystem::relative(lib, FolderOf(file), ec);
        if (!ec && !rel.empty()) where = rel.string();
    }
    bool ok = true;
    for (size_t i = 0; i < server.classCount; ++i) {
        std::string section = "CLSID " + GuidToString(server.classes[i].clsid);
        ok &= WritePrivateProfileStringA(section.c_str(), "Name", server.classes[i].name, file.c_str()) != 0;
        ok &= WritePrivateProfileStringA(section.c_str(), "Server", where.c_str(), file.c_str()) != 0;
    }
    std::string tl = "TypeLib " + GuidToString(server.typeLibrary);
    ok &= WritePrivateProfileStringA(tl.c_str(), "Name", server.name, file.c_str()) != 0;
    ok &= WritePrivateProfileStringA(tl.c_str(), "Server", where.c_str(), file.c_str()) != 0;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT ServerUnregister(const ServerDescription& server) {
    std::string file = g_target.file.empty() ? RegistryPath() : g_target.file;
    if (!PathFileExistsA(file)) return S_OK;
    bool ok = true;
    for (size_t i = 0; i < server.classCount; ++i) {
        std::string section = "CLSID " + GuidToString(server.classes[i].clsid);
        ok &= WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != 0;
    }
    std::string tl = "TypeLib " + GuidToString(server.typeLibrary);
    ok &= WritePrivateProfileStringA(tl.c_str(), nullptr, nullptr, file.c_str()) != 0;
    return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace vr::com
