// Reads log.txt back as its messages, without the time stamps.
#pragma once
#include <regex>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace vr::testing
