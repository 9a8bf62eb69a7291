// Private-profile files with the Windows rules. The file's lines and the
// parse cache live in profile_document / profile_cache; this file answers
// the calls: which value to read, and which lines a write keeps, changes or
// adds. Untouched lines are written back byte for byte.
#include "platform/profile.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/profile_cache.h"
#include "platform/kernel.h"
#include "platform/virtual_store.h"

namespace vr {

namespace {

using profile::DocumentBuilder;
using profile::LineKind;
using profile::ProfileDocument;
using profile::ReadResult;

std::string TrimSpaces(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

// A name without any folder lives in the system directory.
std::string ResolveProfilePath(const char* fileName) {
    std::string p = NativePath(fileName);
    if (p.find('/') == std::string::npos) p = SystemDirectory() + "/" + p;
    return p;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A value as read: trimmed of space, tab and VT, then one pair of matching
// outer quotes removed.
std::string CleanValue(std::string_view v) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
    while (!v.empty() && blank(v.front())) v.remove_prefix(1);
    while (!v.empty() && blank(v.back())) v.remove_suffix(1);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

uint32_t CopyValue(const std::string& value, char* out, uint32_t size) {
    if (size == 0 || !out) return 0;
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
}

uint32_t CopyList(const std::vector<std::string>& names, char* out, uint32_t size) {
    if (size == 0 || !out) return 0;
    std::string list;
    for (const auto& n : names) {
        list += n;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        if (list.empty() && size > 1) out[1] = '\0';
        return static_cast<uint32_t>(list.size());
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

// The file's next content: the old lines in order, less those drop() names,
// with the added lines before line `at` (at the end when `at` is the count).
template <class Drop>
ProfileDocument Rebuild(const ProfileDocument& doc, Drop drop, size_t at, std::initializer_list<std::string> added) {
    size_t extra = 0;
    for (const auto& t : added) extra += t.size() + 4;
    DocumentBuilder next(doc.Bytes().size() + extra);
    for (size_t i = 0; i <= doc.LineCount(); ++i) {
        if (i == at)
            for (const auto& t : added) next.Add(t);
        if (i < doc.LineCount() && !drop(i)) next.Copy(doc, i);
    }
    return next.Finish();
}

const ProfileDocument& EmptyDocument() {
    static const ProfileDocument empty;
    return empty;
}

}  // namespace

uint32_t GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultText,
                                  char* returnedString, uint32_t size, const char* fileName) {
    std::string def = defaultText ? defaultText : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();

    std::shared_ptr<const ProfileDocument> loaded;
    if (fileName && *fileName) profile::LoadProfile(PathForReading(ResolveProfilePath(fileName)), loaded);
    const ProfileDocument& doc = loaded ? *loaded : EmptyDocument();

    if (!appName) {
        std::vector<std::string> names;
        for (size_t i = 0; i < doc.LineCount(); ++i)
            if (doc.Kind(i) == LineKind::Header) names.emplace_back(doc.Name(i));
        return CopyList(names, returnedString, size);
    }
    long h = doc.FindSection(TrimSpaces(appName));
    if (!keyName) {
        std::vector<std::string> names;
        if (h >= 0) {
            size_t end = doc.SectionEnd(h);
            for (size_t i = h + 1; i < end; ++i)
                if (doc.Kind(i) == LineKind::Key) names.emplace_back(doc.Name(i));
        }
        if (h < 0 && names.empty()) return CopyValue(def, returnedString, size);
        return CopyList(names, returnedString, size);
    }
    if (h >= 0) {
        long k = doc.FindKey(h, TrimSpaces(keyName));
        if (k >= 0) return CopyValue(CleanValue(doc.RawValue(k)), returnedString, size);
    }
    return CopyValue(def, returnedString, size);
}

int32_t WritePrivateProfileStringA(const char* appName, const char* keyName, const char* text,
                                   const char* fileName) {
    if (!fileName || !*fileName) return 0;
    if (!appName) return 0;  // a key without a section, or the flush request
    std::string path = PathForWriting(ResolveProfilePath(fileName));
    if (!IsDirectory(FolderOf(path))) return 0;

    // A file that exists but cannot be read is never replaced by a guess of its content.
    std::shared_ptr<const ProfileDocument> loaded;
    ReadResult state = profile::LoadProfile(path, loaded);
    if (state == ReadResult::Unreadable) return 0;
    bool existed = state == ReadResult::Read;
    const ProfileDocument& doc = loaded ? *loaded : EmptyDocument();
    std::string app = TrimSpaces(appName);
    long h = doc.FindSection(app);
    auto keepAll = [](size_t) { return false; };
    auto store = [&](ProfileDocument next) { return profile::StoreProfile(path, std::move(next)) ? 1 : 0; };

    if (!keyName) {
        // Delete the section header and its keys; comments and blank lines stay.
        if (h < 0) return existed ? 1 : store(ProfileDocument());
        size_t header = size_t(h), end = doc.SectionEnd(header);
        auto inSection = [&](size_t i) {
            return i == header ||
                   (i > header && i < end && (doc.Kind(i) == LineKind::Key || doc.Kind(i) == LineKind::Other));
        };
        return store(Rebuild(doc, inSection, doc.LineCount(), {}));
    }

    std::string key = TrimSpaces(keyName);
    if (!text) {
        if (h < 0) return existed ? 1 : store(ProfileDocument());
        long k = doc.FindKey(h, key);
        if (k < 0) return 1;
        return store(Rebuild(doc, [&](size_t i) { return i == size_t(k); }, doc.LineCount(), {}));
    }

    if (h < 0) return store(Rebuild(doc, keepAll, doc.LineCount(), {"[" + app + "]", key + "=" + text}));
    long k = doc.FindKey(h, key);
    if (k >= 0) {
        // The file's own spelling of the key stays.
        std::string line = std::string(doc.Name(k)) + "=" + text;
        if (doc.WholeLine(k) == line + "\r\n") return 1;  // the same value again: nothing to write
        return store(Rebuild(doc, [&](size_t i) { return i == size_t(k); }, size_t(k), {line}));
    }
    // A new key goes straight after the last key line of its section.
    size_t end = doc.SectionEnd(h), at = h + 1;
    for (size_t i = h + 1; i < end; ++i)
        if (doc.Kind(i) == LineKind::Key) at = i + 1;
    return store(Rebuild(doc, keepAll, at, {key + "=" + text}));
}

}  // namespace vr
