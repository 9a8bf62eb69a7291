// Lines of a profile file with the Windows rules: a header name ends at the
// first "]", keys split at the first "=", ";" starts a comment only at the
// start of a line, names and values are trimmed of space, tab and VT.
#include "kernel/profile_document.h"

#include <atomic>

#include "kernel/profile_seams.h"

namespace vr::profile {

namespace {

std::atomic<uint64_t> g_parses{0};

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\v'; }

// Narrows [b, e) of text to its part without blanks at either end.
void TrimBlanks(std::string_view text, size_t& b, size_t& e) {
    while (b < e && IsBlankChar(text[b])) ++b;
    while (e > b && IsBlankChar(text[e - 1])) --e;
}

// Kind, name and value of one line's text (offsets relative to the text).
void Classify(std::string_view text, LineSpan& l) {
    size_t i = 0;
    while (i < text.size() && IsBlankChar(text[i])) ++i;
    if (i == text.size()) {
        l.kind = LineKind::Blank;
        return;
    }
    size_t b = 0, e = 0;
    if (text[i] == '[') {
        l.kind = LineKind::Header;
        size_t close = text.find(']', i + 1);
        b = i + 1;
        e = close == std::string_view::npos ? text.size() : close;
    } else if (text[i] == ';') {
        l.kind = LineKind::Comment;
        return;
    } else {
        size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            l.kind = LineKind::Other;
            return;
        }
        l.kind = LineKind::Key;
        l.valueBegin = static_cast<uint32_t>(eq + 1);
        b = 0;
        e = eq;
    }
    TrimBlanks(text, b, e);
    l.nameBegin = static_cast<uint32_t>(b);
    l.nameLength = static_cast<uint32_t>(e - b);
}

// Appends the lines of bytes[from, end) to lines.
void IndexLines(const std::string& bytes, size_t from, std::vector<LineSpan>& lines) {
    const char* data = bytes.data();
    size_t n = bytes.size();
    size_t i = from;
    while (i < n) {
        size_t j = i;
        while (j < n && data[j] != '\r' && data[j] != '\n') ++j;
        LineSpan l;
        l.begin = static_cast<uint32_t>(i);
        l.length = static_cast<uint32_t>(j - i);
        if (j < n) l.eolLength = (data[j] == '\r' && j + 1 < n && data[j + 1] == '\n') ? 2 : 1;
        Classify(std::string_view(data + i, j - i), l);
        lines.push_back(l);
        i = j + l.eolLength;
    }
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

}  // namespace

ProfileDocument ProfileDocument::Parse(std::string bytes) {
    ++g_parses;
    ProfileDocument d;
    d.bytes_ = std::move(bytes);
    IndexLines(d.bytes_, 0, d.lines_);
    return d;
}

std::string_view ProfileDocument::Name(size_t line) const {
    const LineSpan& l = lines_[line];
    return std::string_view(bytes_).substr(l.begin + l.nameBegin, l.nameLength);
}

std::string_view ProfileDocument::RawValue(size_t line) const {
    const LineSpan& l = lines_[line];
    return std::string_view(bytes_).substr(l.begin + l.valueBegin, l.length - l.valueBegin);
}

std::string_view ProfileDocument::WholeLine(size_t line) const {
    const LineSpan& l = lines_[line];
    return std::string_view(bytes_).substr(l.begin, l.length + l.eolLength);
}

long ProfileDocument::FindSection(std::string_view name) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Header && EqualNoCase(Name(i), name)) return static_cast<long>(i);
    return -1;
}

size_t ProfileDocument::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Header) ++i;
    return i;
}

long ProfileDocument::FindKey(size_t header, std::string_view key) const {
    size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Key && EqualNoCase(Name(i), key)) return static_cast<long>(i);
    return -1;
}

DocumentBuilder::DocumentBuilder(size_t expectedBytes) { doc_.bytes_.reserve(expectedBytes); }

void DocumentBuilder::EndLastLine() {
    if (doc_.lines_.empty() || doc_.lines_.back().eolLength != 0) return;
    doc_.bytes_ += "\r\n";
    doc_.lines_.back().eolLength = 2;
}

// Appends raw bytes and indexes them. A lone CR that ended the previous line
// and an LF at the start of the new bytes read back as one CR LF, so they
// are indexed that way.
void DocumentBuilder::AppendParsed(std::string_view raw) {
    EndLastLine();
    size_t from = doc_.bytes_.size();
    doc_.bytes_.append(raw);
    if (!raw.empty() && raw[0] == '\n' && !doc_.lines_.empty() && doc_.lines_.back().eolLength == 1 &&
        doc_.bytes_[from - 1] == '\r') {
        doc_.lines_.back().eolLength = 2;
        ++from;
    }
    IndexLines(doc_.bytes_, from, doc_.lines_);
}

void DocumentBuilder::Copy(const ProfileDocument& from, size_t line) {
    const LineSpan& src = from.lines_[line];
    std::string_view raw = std::string_view(from.bytes_).substr(src.begin, src.length + src.eolLength);
    if (!raw.empty() && raw[0] == '\n') {  // an empty line ended by LF may join a CR before it
        AppendParsed(raw);
        return;
    }
    EndLastLine();
    LineSpan l = src;
    l.begin = static_cast<uint32_t>(doc_.bytes_.size());
    doc_.bytes_.append(raw);
    doc_.lines_.push_back(l);
}

void DocumentBuilder::Add(std::string_view text) {
    std::string raw(text);
    raw += "\r\n";
    AppendParsed(raw);
}

ProfileDocument DocumentBuilder::Finish() { return std::move(doc_); }

}  // namespace vr::profile

namespace vr {

uint64_t ProfileParseCount() { return profile::g_parses.load(); }

}  // namespace vr
