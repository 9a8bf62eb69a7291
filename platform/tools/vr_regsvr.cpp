// vr-regsvr: registers or unregisters an in-process server library in the
// per-user class registry, or writes it into a registration-free manifest.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "Usage: vr-regsvr [-u] LIBRARY\n"
                 "       vr-regsvr --manifest DIR LIBRARY\n"
                 "Registers the classes of an in-process server library.\n"
                 "  -u              unregister instead of register\n"
                 "  --manifest DIR  write the classes into DIR/%s with paths relative to DIR\n"
                 "                  (a registration-free manifest beside a program)\n"
                 "The per-user registry is %s.\n",
                 vr::com::kManifestName, vr::com::RegistryPath().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::string manifestDir, library;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        } else if (a == "-u") {
            unregister = true;
        } else if (a == "--manifest" && i + 1 < argc) {
            manifestDir = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vr-regsvr: unknown option %s\n", a.c_str());
            Usage(stderr);
            return 2;
        } else if (library.empty()) {
            library = a;
        } else {
            std::fprintf(stderr, "vr-regsvr: more than one library given\n");
            return 2;
        }
    }
    if (library.empty()) {
        Usage(stderr);
        return 2;
    }
    if (library.find('/') == std::string::npos) library = "./" + library;
    void* h = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        std::fprintf(stderr, "vr-regsvr: cannot load %s: %s\n", library.c_str(), dlerror());
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<vr::com::HRESULT (*)()>(dlsym(h, entry));
    if (!fn) {
        std::fprintf(stderr, "vr-regsvr: %s does not export %s\n", library.c_str(), entry);
        dlclose(h);
        return 1;
    }
    std::string target = manifestDir.empty() ? vr::com::RegistryPath() : manifestDir + "/" + vr::com::kManifestName;
    if (!manifestDir.empty()) vr::com::SetRegistrationTarget(target, true);
    vr::com::HRESULT hr = fn();
    dlclose(h);
    if (vr::com::Failed(hr)) {
        std::fprintf(stderr, "vr-regsvr: %s failed: %s\n", entry, vr::com::DescribeHResult(hr).c_str());
        return 1;
    }
    std::printf("vr-regsvr: %s %s in %s\n", library.c_str(), unregister ? "unregistered" : "registered",
                target.c_str());
    return 0;
}
