#include "kernel/profile_cache.h"

#include <time.h>

#include <list>
#include <map>
#include <mutex>

#include "platform/profile.h"

namespace vr::profile {

namespace {

// A handful of files is all a program keeps open this way (its INI files,
// the class registry, the top-ten table); the least recently used goes first.
constexpr size_t kCachedFiles = 8;

struct Entry {
    std::string path;
    FileStamp stamp;
    std::shared_ptr<const ProfileDocument> doc;
    // File times tick coarsely: a file changed within the same tick as the
    // read may show the same stamp again. Such an entry is checked against
    // the file's bytes (no parse) until its time lies safely in the past.
    bool racy = true;
};

std::mutex g_mutex;
std::list<Entry> g_entries;  // most recently used first

int64_t CoarseNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME_COARSE, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// True when a change made after `readStartNs` might keep the stamp's
// modification time. File systems with whole-second times get a wide margin.
bool Racy(const FileStamp& stamp, int64_t readStartNs) {
    int64_t margin = stamp.modifiedNs % 1000000000 == 0 ? 2000000000 : 10000000;
    return stamp.modifiedNs + margin >= readStartNs;
}

bool Find(const std::string& path, Entry& out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto it = g_entries.begin(); it != g_entries.end(); ++it) {
        if (it->path != path) continue;
        g_entries.splice(g_entries.begin(), g_entries, it);
        out = *it;
        return true;
    }
    return false;
}

void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.remove_if([&](const Entry& e) { return e.path == path; });
}

void Keep(Entry entry) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_entries.remove_if([&](const Entry& e) { return e.path == entry.path; });
    g_entries.push_front(std::move(entry));
    if (g_entries.size() > kCachedFiles) g_entries.pop_back();
}

// The documents written in the open write group of this thread, by path.
struct WriteGroupState {
    bool open = false;
    std::map<std::string, std::shared_ptr<const ProfileDocument>> pending;
};
WriteGroupState& Group() {
    thread_local WriteGroupState state;
    return state;
}

bool WriteNow(const std::string& path, std::shared_ptr<const ProfileDocument> doc) {
    // On failure the file is as it was, so a parse still cached for it stays right.
    if (doc->Bytes().size() > kMaxProfileBytes || !ReplaceFileAtomically(path, doc->Bytes())) {
        Forget(path);
        return false;
    }
    FileStamp now;
    if (StampOf(path, now)) Keep(Entry{path, now, std::move(doc), true});
    else Forget(path);
    return true;
}

}  // namespace

ReadResult LoadProfile(const std::string& path, std::shared_ptr<const ProfileDocument>& doc) {
    doc.reset();
    auto pending = Group().pending.find(path);
    if (pending != Group().pending.end()) {
        doc = pending->second;
        return ReadResult::Read;
    }
    Entry cached;
    bool have = Find(path, cached);
    FileStamp now;
    if (have && !cached.racy && StampOf(path, now) && now == cached.stamp) {
        doc = cached.doc;
        return ReadResult::Read;
    }
    int64_t readStart = CoarseNowNs();
    std::string bytes;
    bool stable = false;
    ReadResult r = ReadWholeFile(path, bytes, now, stable);
    if (r != ReadResult::Read) {
        Forget(path);
        return r;
    }
    if (have && cached.doc->Bytes() == bytes) doc = cached.doc;  // unchanged: no new parse
    else doc = std::make_shared<const ProfileDocument>(ProfileDocument::Parse(std::move(bytes)));
    if (stable) Keep(Entry{path, now, doc, Racy(now, readStart)});
    else Forget(path);
    return ReadResult::Read;
}

bool StoreProfile(const std::string& path, ProfileDocument doc) {
    if (doc.Bytes().size() > kMaxProfileBytes) return false;
    auto kept = std::make_shared<const ProfileDocument>(std::move(doc));
    if (Group().open) {
        Group().pending[path] = std::move(kept);
        return true;
    }
    return WriteNow(path, std::move(kept));
}

bool FlushWriteGroup() {
    bool all = true;
    auto pending = std::move(Group().pending);
    Group().pending.clear();
    for (auto& [path, doc] : pending) all = WriteNow(path, doc) && all;
    return all;
}

}  // namespace vr::profile

namespace vr {

ProfileWriteGroup::ProfileWriteGroup() : outer_(!profile::Group().open) { profile::Group().open = true; }

ProfileWriteGroup::~ProfileWriteGroup() {
    if (!outer_) return;
    profile::FlushWriteGroup();
    profile::Group().open = false;
}

bool ProfileWriteGroup::Flush() { return profile::FlushWriteGroup(); }

}  // namespace vr
