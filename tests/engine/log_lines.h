// What a run showed: log.txt read back as its messages, without the time
// stamps, and the dialogs it answered.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform_testing/dialog_answers.h"
#include "test_files.h"

namespace vr::testing {

// Each line "### <time> ### <message>" CR LF gives <message>; a line that
// does not have that shape comes back as "BAD LINE: ...".
inline std::vector<std::string> LogMessages(const std::string& path) {
    std::string all = ReadBytes(path);
    std::vector<std::string> out;
    static const std::regex shape(R"(### \d{1,2}:\d{2}:\d{2}( [AP]M)? ### (.*))");
    size_t i = 0;
    while (i < all.size()) {
        size_t j = all.find("\r\n", i);
        if (j == std::string::npos) {
            out.push_back("BAD LINE (no CR LF): " + all.substr(i));
            break;
        }
        std::string line = all.substr(i, j - i);
        std::smatch m;
        out.push_back(std::regex_match(line, m, shape) ? m[2].str() : "BAD LINE: " + line);
        i = j + 2;
    }
    return out;
}

// The messages a log gained since the last look, read from where the last
// look ended (a test that logs thousands of lines does not read them all each time).
// Runs f with OK answers queued and answers the dialogs it showed ("title | text").
template <class F>
std::vector<std::string> ShownDialogs(F&& f) {
    for (int i = 0; i < 4; ++i) PushDialogAnswer("OK");
    ::testing::internal::CaptureStderr();
    f();
    std::string err = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> out;
    for (size_t i = err.find("[dialog] "); i != std::string::npos; i = err.find("[dialog] ", i + 1))
        out.push_back(err.substr(i + 9, err.find(" | OK", i) - i - 9));
    return out;
}

class LogTail {
public:
    explicit LogTail(std::string path) : path_(std::move(path)) { NewText(); }
    // The new messages, one per line ("\n" after each), without time stamps.
    std::string NewText() {
        std::ifstream log(path_, std::ios::binary);
        log.seekg(std::streamoff(read_));
        std::string added((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        read_ += added.size();
        std::string lines;
        for (size_t at = 0, end; (end = added.find("\r\n", at)) != std::string::npos; at = end + 2) {
            size_t text = added.find(" ### ", at) + 5;  // past "### time ### "
            lines += added.substr(text, end - text) + "\n";
        }
        return lines;
    }

private:
    std::string path_;
    size_t read_ = 0;
};

}  // namespace vr::testing
