#include "extra/mod_extra.h"

#include <langinfo.h>
#include <locale.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "core/library_values.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/runtime_error.h"
#include "platform/virtual_store.h"

namespace korva2d {

std::string AppFile(const std::string& name) { return Lib().AppPath + "\\" + name; }

void PauseMs(int32_t milliseconds) { vr::Sleep(milliseconds < 0 ? 0 : static_cast<uint32_t>(milliseconds)); }

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fileName) {
    std::string path = AppFile(fileName);
    char buffer[255] = {};
    uint32_t n = vr::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, 255, path.c_str());
    return std::string(buffer, n);
}

namespace {

// A section, key and value that can only make their own key line, read back as written.
bool WritesOnlyItsOwnLine(const std::string& section, const std::string& key, const std::string& value) {
    auto breaksLines = [](const std::string& s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; };
    size_t first = key.find_first_not_of(" \t\v");
    return !breaksLines(section) && !breaksLines(key) && !breaksLines(value) && section.find(']') == section.npos &&
           key.find('=') == key.npos && (first == key.npos || key[first] != '[');
}

}  // namespace

int16_t WriteIniValue(const std::string& section, const std::string& key, const std::string& value,
                      const vr::Variant& fileName) {
    if (!WritesOnlyItsOwnLine(section, key, value)) return 0;
    std::string path = AppFile(fileName.ToText());
    return static_cast<int16_t>(vr::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0);
}

std::string TimeOfDayText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[64] = {};
    locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (user) {
        const char* fmt = nl_langinfo_l(T_FMT, user);
        strftime_l(buf, sizeof buf, fmt && *fmt ? fmt : "%H:%M:%S", &local, user);
        freelocale(user);
    } else {
        std::strftime(buf, sizeof buf, "%H:%M:%S", &local);
    }
    return buf;
}

void AppendLog(std::string& message, std::string& logFile) {
    logFile = logFile.empty() ? AppFile("log.txt") : AppFile(logFile);
    message = "### " + TimeOfDayText() + " ### " + message;
    if (!vr::AppendToFile(logFile, message + "\r\n"))
        throw vr::RuntimeError(vr::kErrFileAccess, "Path/File access error: " + logFile);
}

void AppendLog(const std::string& message) {
    std::string m = message, file;
    AppendLog(m, file);
}

namespace {
std::atomic<bool> errorsToStandardError{true};
}  // namespace

bool ErrorsToStandardError() {
    const char* log = std::getenv("KORVA2D_LOG");
    return errorsToStandardError && !(log && std::strcmp(log, "quiet") == 0);
}

void SetErrorsToStandardError(bool on) { errorsToStandardError = on; }

void AppendErrorLog(const std::string& message) {
    if (ErrorsToStandardError()) {
        std::string line = "korva2d: " + message + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    }
    AppendLog(message);
}

bool AppFileExists(const std::string& fileName, bool expected) {
    std::string path = AppFile(fileName);
    if (vr::PathFileExistsA(path)) return true;
    if (expected) AppendLog("File is missing : " + path);
    else AppendErrorLog("File is missing : " + path);
    return false;
}

}  // namespace korva2d
