#include "verifier_report.h"

#include <cstdlib>
#include <map>
#include <sstream>

#include "score_protocol.h"

namespace score_protocol {

namespace {

constexpr const char* kRefusedMark = " is refused: ";

bool ReadNumber(const std::string& text, int32_t& out) {
    if (text.empty() || text.size() > 11 || text.find_first_not_of("-0123456789") != std::string::npos) return false;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end || v < INT32_MIN || v > INT32_MAX) return false;
    out = int32_t(v);
    return true;
}

}  // namespace

std::string DescribeDrivers(uint32_t drivers) {
    if (!drivers) return "a person";
    std::string out;
    auto add = [&](uint32_t flag, const char* name) {
        if (!(drivers & flag)) return;
        if (!out.empty()) out += " and ";
        out += name;
    };
    add(kDriverAutopilot, "the autopilot");
    add(kDriverPadScript, "a controller script");
    add(kDriverSimulatedClock, "a simulated clock");
    if (out.empty()) out = "an unknown driver";
    return out;
}

std::string FormatReport(const VerifierReport& r) {
    // The name and the drivers also in words, for a person reading along; a
    // control character of the name shows as "?".
    std::string shown = r.uploadName;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    std::ostringstream out;
    out << "name " << shown << "\ndriven-by " << DescribeDrivers(r.drivers) << "\nscore " << r.score << "\ntime " << r.time << "\naccuracy " << r.accuracy << "\nplace " << r.place
        << "\nframes " << r.frames << "\nnname " << PercentEncode(r.uploadName, IsUnreserved) << "\ndrivers "
        << r.drivers << "\nrun " << r.run << "\n";
    return out.str();
}

bool ParseReport(const std::string& text, VerifierReport& out) {
    std::map<std::string, std::string> seen;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        // A key said twice makes the report unreadable rather than overriding.
        if (!seen.emplace(line.substr(0, space), line.substr(space + 1)).second) return false;
    }
    VerifierReport r;
    for (auto [key, field] : {std::pair{"score", &r.score}, {"time", &r.time}, {"accuracy", &r.accuracy},
                              {"place", &r.place}, {"frames", &r.frames}}) {
        auto it = seen.find(key);
        if (it == seen.end() || !ReadNumber(it->second, *field)) return false;
    }
    auto name = seen.find("nname"), drivers = seen.find("drivers"), run = seen.find("run");
    int32_t flags = 0;
    if (name == seen.end() || !PercentDecode(name->second, r.uploadName)) return false;
    if (drivers == seen.end() || !ReadNumber(drivers->second, flags) || flags < 0) return false;
    if (run == seen.end() || run->second.size() != 16 ||
        run->second.find_first_not_of("0123456789abcdef") != std::string::npos)
        return false;
    r.drivers = uint32_t(flags);
    r.run = run->second;
    out = r;
    return true;
}

std::string FormatRefusal(const std::string& program, const std::string& file, const std::string& why) {
    return program + ": " + file + kRefusedMark + why;
}

bool ParseRefusal(const std::string& text, std::string& why) {
    std::istringstream in(text);
    std::string line;
    bool found = false;
    while (std::getline(in, line)) {
        size_t at = line.find(kRefusedMark);
        if (at == std::string::npos) continue;
        why = line.substr(at + std::string(kRefusedMark).size());
        found = true;
    }
    return found;
}

}  // namespace score_protocol
