#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/kernel.h"
#include "platform/xdg_folders.h"
#include "platform/virtual_store.h"

namespace vr {

std::string NativePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

bool PathFileExistsA(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 || ::stat(VirtualStoreCopyOf(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ProgramFolder() {
    std::string buf(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return ".";
    buf.resize(static_cast<size_t>(n));
    size_t slash = buf.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return buf.substr(0, slash);
}

static bool MakeDirs(const std::string& path) {
    if (path.empty()) return false;
    std::string cur;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        cur = path.substr(0, j);
        if (!cur.empty() && ::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
        i = j + 1;
    }
    return IsDirectory(path);
}

std::string UserDataFolder() { return xdg::DataHome(); }

std::string UserConfigFolder() { return xdg::ConfigHome(); }

namespace {
std::string g_systemOverride;
}

void SetSystemDirectoryOverride(const std::string& folder) { g_systemOverride = folder; }

std::string SystemDirectory() {
    if (!g_systemOverride.empty()) return g_systemOverride;
    std::string dir = UserDataFolder() + "/vrplatform/system";
    MakeDirs(dir);
    return dir;
}

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) {
    std::string dir = SystemDirectory();
    if (!buffer || size < dir.size() + 1) return static_cast<uint32_t>(dir.size() + 1);
    dir.copy(buffer, dir.size());
    buffer[dir.size()] = '\0';
    return static_cast<uint32_t>(dir.size());
}

}  // namespace vr
