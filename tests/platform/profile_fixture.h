// A fresh folder with one INI file, read and written through the profile functions.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "test_files.h"

namespace vr::testing {

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        file_ = dir_ + "/t.ini";
    }
    std::string Get(const char* sec, const char* key, const char* def = "", uint32_t size = 1024) {
        std::string buf(size + 8, '\x7f');
        uint32_t n = GetPrivateProfileStringA(sec, key, def, buf.data(), size, file_.c_str());
        last_ = n;
        return std::string(buf.data(), n);
    }
    void File(const std::string& bytes) { WriteBytes(file_, bytes); }
    std::string Bytes() { return ReadBytes(file_); }
    std::string dir_, file_;
    uint32_t last_ = 0;
};

}  // namespace vr::testing
