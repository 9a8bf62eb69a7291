// Small file helpers for the platform tests.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vr::testing {

// A fresh, empty folder below the test's working folder.
inline std::string FreshFolder(const std::string& name) {
    std::filesystem::path p = std::filesystem::current_path() / "scratch" / (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(p);
    std::filesystem::create_directories(p);
    return p.string();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Replaces a small file's content in place (no truncation to nothing first): a
// test that rewrites one file thousands of times does not make the file
// system free and discard its block each time.
inline void OverwriteBytes(const std::string& path, const std::string& bytes) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    if (!f) return WriteBytes(path, bytes);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    f.close();
    std::filesystem::resize_file(path, bytes.size());
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace vr::testing
