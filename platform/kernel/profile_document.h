// The parsed form of a profile file: its bytes as they are on disk and an
// index of its lines (kind, and where the name and the value lie), held as
// offsets so a large file costs one pass and no copy per line. A write builds
// the next document from the lines of the last one without parsing the file
// again.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vr::profile {

enum class LineKind : uint8_t { Blank, Header, Comment, Key, Other };

// One line of a document; name and value offsets count from the line's start.
struct LineSpan {
    uint32_t begin = 0;       // offset of the line in the document's bytes
    uint32_t length = 0;      // length without the line end
    uint32_t nameBegin = 0;   // section name (header) or key name (key line), trimmed
    uint32_t nameLength = 0;
    uint32_t valueBegin = 0;  // key line: the raw value, everything after the first "="
    uint8_t eolLength = 0;    // 2 for CR LF, 1 for a lone CR or LF, 0 for a last line without one
    LineKind kind = LineKind::Other;
};

// Largest file the index can address; a larger one counts as unreadable.
inline constexpr uint64_t kMaxProfileBytes = 0x7FFFFFFF;

class ProfileDocument {
public:
    ProfileDocument() = default;
    // Splits bytes into lines with the Windows rules (CR LF, lone CR, lone LF).
    static ProfileDocument Parse(std::string bytes);

    const std::string& Bytes() const { return bytes_; }
    size_t LineCount() const { return lines_.size(); }
    LineKind Kind(size_t line) const { return lines_[line].kind; }
    std::string_view Name(size_t line) const;
    std::string_view RawValue(size_t line) const;
    // The line as the file holds it, with its line end.
    std::string_view WholeLine(size_t line) const;

    // Index of the header of the first section with that name (any case), or -1.
    long FindSection(std::string_view name) const;
    // One past the last line of the section whose header is at `header`.
    size_t SectionEnd(size_t header) const;
    // Index of the first key line with that name in the section, or -1.
    long FindKey(size_t header, std::string_view key) const;

private:
    friend class DocumentBuilder;
    std::string bytes_;
    std::vector<LineSpan> lines_;
};

// Builds a document from lines of another one and new lines. A line without
// a line end gets CR LF as soon as anything follows it, as Windows does.
class DocumentBuilder {
public:
    explicit DocumentBuilder(size_t expectedBytes);
    // Copies one line, with its line end, byte for byte.
    void Copy(const ProfileDocument& from, size_t line);
    // Adds text as a new line ending in CR LF (line breaks inside it start more lines).
    void Add(std::string_view text);
    ProfileDocument Finish();

private:
    void EndLastLine();
    void AppendParsed(std::string_view raw);
    ProfileDocument doc_;
};

}  // namespace vr::profile
