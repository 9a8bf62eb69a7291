#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "counter.h"
#include "platform/com.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/runtime_error.h"
#include "test_files.h"

using namespace vr;
using namespace vr::com;

namespace {

// ctest -j runs these tests side by side, and each writes or removes the
// manifest beside its program. So each run first starts itself again from a
// folder of its own (build/tests/com-PID, beside servers/ as the manifests name
// it) through a hard link, and removes that folder at exit.
struct OwnFolder {
    std::string dir = std::getenv("VR_COM_TEST_FOLDER") ? std::getenv("VR_COM_TEST_FOLDER") : "";
    OwnFolder() {
        namespace fs = std::filesystem;
        if (!dir.empty()) return;
        fs::path exe = fs::read_symlink("/proc/self/exe"), own = exe.parent_path() / ("com-" + std::to_string(getpid()));
        fs::remove_all(own);
        fs::create_directories(own);
        fs::create_hard_link(exe, own / exe.filename());
        std::ifstream cmdline("/proc/self/cmdline");
        std::vector<std::string> args;
        for (std::string arg; std::getline(cmdline, arg, '\0');) args.push_back(arg);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        setenv("VR_COM_TEST_FOLDER", own.c_str(), 1);
        execv((own / exe.filename()).c_str(), argv.data());
        throw std::runtime_error("cannot start again in " + own.string());
    }
    ~OwnFolder() {
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
} g_ownFolder;

class Com : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        registry_ = dir_ + "/classes.ini";
        setenv("VR_COM_REGISTRY", registry_.c_str(), 1);
        manifest_ = ProgramFolder() + "/" + kManifestName;
        std::filesystem::remove(manifest_);
    }
    void TearDown() override {
        std::filesystem::remove(manifest_);
        CoFreeUnusedLibraries();
    }
    int RegSvr(const std::string& args) {
        std::string cmd = std::string(VR_REGSVR_PATH) + " " + args + " > /dev/null 2>&1";
        return std::system(cmd.c_str());
    }
    // Creates a counter, adds 2 and 3 through the interface's slots, releases it.
    void CreateAndUse() {
        ComPtr<_Counter> c;
        ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID__Counter, c.Put()), S_OK);
        int32_t two = 2, three = 3, total = 0;
        ASSERT_EQ(c->Add(two, &total), S_OK);
        ASSERT_EQ(c->Add(three, &total), S_OK);
        EXPECT_EQ(total, 5);
        uint32_t n = 99;
        EXPECT_EQ(c->GetTypeInfoCount(&n), S_OK);
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(c->GetIDsOfNames(IID_IUnknown, nullptr, 0, 0, nullptr), E_NOTIMPL);
    }
    std::string dir_, registry_, manifest_;
};

}  // namespace

TEST(Guid, TextFormRoundTrips) {
    std::string t = GuidToString(CLSID_Counter);
    EXPECT_EQ(t, "{6B1D2E40-51A3-4C7E-9B11-207A4E35C201}");
    GUID g{};
    ASSERT_TRUE(GuidFromString(t, g));
    EXPECT_TRUE(g == CLSID_Counter);
    ASSERT_TRUE(GuidFromString("6b1d2e40-51a3-4c7e-9b11-207a4e35c201", g));
    EXPECT_TRUE(g == CLSID_Counter);
    EXPECT_FALSE(GuidFromString("{6B1D2E40-51A3-4C7E-9B11-207A4E35C2}", g));
    EXPECT_FALSE(GuidFromString("{6B1D2E40x51A3-4C7E-9B11-207A4E35C201}", g));
}

TEST_F(Com, RegisteredServerIsCreatedCalledReleasedAndUnregistered) {
    void* obj = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID__Counter, &obj), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(RegSvr(VR_TEST_SERVER_PATH), 0);
    EXPECT_EQ(FindServerPath(CLSID_Counter), std::filesystem::canonical(VR_TEST_SERVER_PATH).string());
    CreateAndUse();
    EXPECT_EQ(CoFreeUnusedLibraries(), 1);  // nothing alive: the server unloads
    ASSERT_EQ(RegSvr(std::string("-u ") + VR_TEST_SERVER_PATH), 0);
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID__Counter, &obj), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(FindServerPath(CLSID_Counter), "");
}

TEST_F(Com, ManifestBesideTheProgramNeedsNoRegistration) {
    ASSERT_EQ(RegSvr("--manifest " + ProgramFolder() + " " + VR_TEST_SERVER_PATH), 0);
    char buf[512];
    std::string section = "CLSID " + GuidToString(CLSID_Counter);
    uint32_t n = GetPrivateProfileStringA(section.c_str(), "Server", "", buf, sizeof buf, manifest_.c_str());
    EXPECT_EQ(std::string(buf, n), "../servers/" + std::filesystem::path(VR_TEST_SERVER_PATH).filename().string());
    CreateAndUse();
    EXPECT_FALSE(std::filesystem::exists(registry_));
}

TEST_F(Com, ServerStaysLoadedWhileAnObjectLivesAndErrorsCrossAsRuntimeErrors) {
    ASSERT_EQ(RegSvr("--manifest " + ProgramFolder() + " " + VR_TEST_SERVER_PATH), 0);
    ComPtr<_Counter> c;
    ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID__Counter, c.Put()), S_OK);
    EXPECT_EQ(CoFreeUnusedLibraries(), 0);
    int32_t eleven = 11;
    HRESULT hr = c->Fail(eleven);
    EXPECT_EQ(static_cast<uint32_t>(hr), 0x800A000Bu);
    try {
        ThrowIfFailed(hr);
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "Division by zero");
    }
    int32_t big = INT32_MAX, total = 0;
    EXPECT_EQ(c->Add(big, &total), S_OK);
    EXPECT_EQ(static_cast<uint32_t>(c->Add(big, &total)), 0x800A0006u);  // overflow inside the server
    TakeErrorDescription();
    ComPtr<IUnknown> unk;
    EXPECT_EQ(c->QueryInterface(IID_IClassFactory, unk.Put()), E_NOINTERFACE);
    c.Reset();
    EXPECT_EQ(CoFreeUnusedLibraries(), 1);
}

TEST_F(Com, BrokenRegistrationsFailClearlyWithoutACrash) {
    std::string section = "CLSID " + GuidToString(CLSID_Counter);
    WritePrivateProfileStringA(section.c_str(), "Server", (dir_ + "/missing.so").c_str(), registry_.c_str());
    void* obj = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, 0, IID__Counter, &obj), E_MOD_NOT_FOUND);
    EXPECT_NE(TakeErrorDescription().find("missing.so"), std::string::npos);
    vr::testing::WriteBytes(dir_ + "/junk.so", "not a library");
    WritePrivateProfileStringA(section.c_str(), "Server", (dir_ + "/junk.so").c_str(), registry_.c_str());
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, 0, IID__Counter, &obj), E_MOD_NOT_FOUND);
    EXPECT_EQ(obj, nullptr);
    std::string corrupt;
    for (int i = 0; i < 2000; ++i) corrupt += char((i * 131) & 0xFF);
    vr::testing::WriteBytes(registry_, corrupt);
    EXPECT_EQ(CoCreateInstance(CLSID_Counter, nullptr, 0, IID__Counter, &obj), REGDB_E_CLASSNOTREG);
    try {
        ThrowIfFailed(REGDB_E_CLASSNOTREG);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 429);
    }
}
