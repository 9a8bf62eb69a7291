// Private-profile files, parsed line by line with the Windows rules: a header
// name ends at the first "]", keys split at the first "=", ";" starts a
// comment only at the start of a line, and only the first copy of a section
// or key counts. Untouched lines are written back byte for byte.
#include "platform/profile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/virtual_store.h"

namespace vr {

namespace {

enum class LineKind { Blank, Header, Comment, Key, Other };

struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\r", "\n" or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::string name;  // section name or key name, trimmed
    std::string value; // raw value of a key line (after the first "=")
};

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\v'; }

std::string TrimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlankChar(s[b])) ++b;
    while (e > b && IsBlankChar(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string TrimSpaces(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

void Classify(Line& l) {
    size_t i = 0;
    while (i < l.text.size() && IsBlankChar(l.text[i])) ++i;
    if (i == l.text.size()) {
        l.kind = LineKind::Blank;
    } else if (l.text[i] == '[') {
        l.kind = LineKind::Header;
        size_t close = l.text.find(']', i + 1);
        l.name = TrimBlanks(l.text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
    } else if (l.text[i] == ';') {
        l.kind = LineKind::Comment;
    } else {
        size_t eq = l.text.find('=');
        if (eq == std::string::npos) {
            l.kind = LineKind::Other;
        } else {
            l.kind = LineKind::Key;
            l.name = TrimBlanks(l.text.substr(0, eq));
            l.value = l.text.substr(eq + 1);
        }
    }
}

std::vector<Line> ParseLines(const std::string& data) {
    std::vector<Line> lines;
    size_t i = 0, n = data.size();
    while (i < n) {
        size_t j = i;
        while (j < n && data[j] != '\r' && data[j] != '\n') ++j;
        Line l;
        l.text = data.substr(i, j - i);
        if (j < n) {
            if (data[j] == '\r' && j + 1 < n && data[j + 1] == '\n') {
                l.eol = "\r\n";
                j += 2;
            } else {
                l.eol = std::string(1, data[j]);
                j += 1;
            }
        }
        Classify(l);
        lines.push_back(std::move(l));
        i = j;
    }
    return lines;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t got;
    out.clear();
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
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

// Index of the header line of the first section with that name, or -1.
int FindSection(const std::vector<Line>& lines, const std::string& name) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LineKind::Header && EqualNoCase(lines[i].name, name)) return static_cast<int>(i);
    return -1;
}

// One past the last line of the section that starts at header index h.
size_t SectionEnd(const std::vector<Line>& lines, size_t h) {
    size_t i = h + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Header) ++i;
    return i;
}

int FindKey(const std::vector<Line>& lines, size_t h, const std::string& key) {
    size_t end = SectionEnd(lines, h);
    for (size_t i = h + 1; i < end; ++i)
        if (lines[i].kind == LineKind::Key && EqualNoCase(lines[i].name, key)) return static_cast<int>(i);
    return -1;
}

std::string CleanValue(const std::string& raw) {
    std::string v = TrimBlanks(raw);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
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

std::string Serialize(const std::vector<Line>& lines) {
    std::string out;
    for (const auto& l : lines) out += l.text + l.eol;
    return out;
}

Line MakeLine(const std::string& text) {
    Line l;
    l.text = text;
    l.eol = "\r\n";
    Classify(l);
    return l;
}

}  // namespace

uint32_t GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultText,
                                  char* returnedString, uint32_t size, const char* fileName) {
    std::string def = defaultText ? defaultText : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();

    std::string data;
    bool haveFile = fileName && *fileName && ReadWholeFile(PathForReading(ResolveProfilePath(fileName)), data);
    std::vector<Line> lines;
    if (haveFile) lines = ParseLines(data);

    if (!appName) {
        std::vector<std::string> names;
        for (const auto& l : lines)
            if (l.kind == LineKind::Header) names.push_back(l.name);
        return CopyList(names, returnedString, size);
    }
    int h = FindSection(lines, TrimSpaces(appName));
    if (!keyName) {
        std::vector<std::string> names;
        if (h >= 0) {
            size_t end = SectionEnd(lines, h);
            for (size_t i = h + 1; i < end; ++i)
                if (lines[i].kind == LineKind::Key) names.push_back(lines[i].name);
        }
        if (h < 0 && names.empty()) return CopyValue(def, returnedString, size);
        return CopyList(names, returnedString, size);
    }
    if (h >= 0) {
        int k = FindKey(lines, h, TrimSpaces(keyName));
        if (k >= 0) return CopyValue(CleanValue(lines[k].value), returnedString, size);
    }
    return CopyValue(def, returnedString, size);
}

int32_t WritePrivateProfileStringA(const char* appName, const char* keyName, const char* text,
                                   const char* fileName) {
    if (!fileName || !*fileName) return 0;
    if (!appName) return 0;  // a key without a section, or the flush request
    std::string path = PathForWriting(ResolveProfilePath(fileName));
    if (!IsDirectory(FolderOf(path))) return 0;

    std::string data;
    bool existed = ReadWholeFile(path, data);
    std::vector<Line> lines = ParseLines(data);
    std::string app = TrimSpaces(appName);
    int h = FindSection(lines, app);

    if (!keyName) {
        // Delete the section header and its keys; comments stay.
        if (h >= 0) {
            size_t end = SectionEnd(lines, h);
            std::vector<Line> kept(lines.begin(), lines.begin() + h);
            for (size_t i = h + 1; i < end; ++i)
                if (lines[i].kind != LineKind::Key && lines[i].kind != LineKind::Other) kept.push_back(lines[i]);
            kept.insert(kept.end(), lines.begin() + end, lines.end());
            lines = std::move(kept);
        } else if (existed) {
            return 1;
        }
        return WriteWholeFile(path, Serialize(lines)) ? 1 : 0;
    }

    std::string key = TrimSpaces(keyName);
    if (!text) {
        if (h >= 0) {
            int k = FindKey(lines, h, key);
            if (k < 0) return 1;
            lines.erase(lines.begin() + k);
        } else if (existed) {
            return 1;
        }
        return WriteWholeFile(path, Serialize(lines)) ? 1 : 0;
    }

    std::string newText = key + "=" + text;
    if (h >= 0) {
        int k = FindKey(lines, h, key);
        if (k >= 0) {
            lines[k] = MakeLine(lines[k].name + "=" + text);
        } else {
            size_t end = SectionEnd(lines, h);
            size_t at = h + 1;
            for (size_t i = h + 1; i < end; ++i)
                if (lines[i].kind == LineKind::Key) at = i + 1;
            if (lines[at - 1].eol.empty()) lines[at - 1].eol = "\r\n";
            lines.insert(lines.begin() + at, MakeLine(newText));
        }
    } else {
        if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = "\r\n";
        lines.push_back(MakeLine("[" + app + "]"));
        lines.push_back(MakeLine(newText));
    }
    return WriteWholeFile(path, Serialize(lines)) ? 1 : 0;
}

}  // namespace vr
