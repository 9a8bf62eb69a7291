// The user's store of copies for files that cannot be written where they are.
// Writes that the user may not make are checked in a child process that runs
// as an ordinary user ("nobody" when the tests run as root).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/virtual_store.h"
#include "test_files.h"

using namespace vr;
using vr::testing::ReadBytes;
using vr::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

class VirtualStore : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = vr::testing::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        data_ = base_ + "/data";
        fs::create_directories(data_);
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
        store_ = data_ + "/vrplatform/VirtualStore";
    }
    void TearDown() override {
        std::error_code ec;  // so that the next run can remove the folder
        fs::permissions(base_ + "/program", fs::perms::owner_all, fs::perm_options::add, ec);
        setenv("XDG_DATA_HOME", (fs::current_path() / "xdg/data").c_str(), 1);
    }
    // A program folder with the given files that the ordinary user cannot write.
    std::string ReadOnlyProgramFolder(const std::vector<std::pair<std::string, std::string>>& files) {
        std::string dir = base_ + "/program";
        fs::create_directories(dir);
        for (const auto& [name, bytes] : files) WriteBytes(dir + "/" + name, bytes);
        if (geteuid() == 0) {
            fs::permissions(base_, fs::perms::all, fs::perm_options::add);
            fs::permissions(data_, fs::perms::all, fs::perm_options::add);  // the ordinary user's data
        } else {
            fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
        }
        return dir;
    }
    // Runs body as an ordinary user in a child process; answers its complaints ("" when none).
    static std::string AsOrdinaryUser(const std::function<std::string()>& body) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return "no pipe";
        pid_t pid = fork();
        if (pid == 0) {
            close(pipeFds[0]);
            std::string complaint;
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) complaint = "cannot become nobody";
            if (complaint.empty()) complaint = body();
            if (write(pipeFds[1], complaint.data(), complaint.size()) < 0) _exit(2);
            _exit(0);
        }
        close(pipeFds[1]);
        std::string complaint;
        char buf[256];
        ssize_t n;
        while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) complaint.append(buf, size_t(n));
        close(pipeFds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) complaint += " (the child failed)";
        return complaint;
    }
    static std::string IniValue(const std::string& file, const char* section, const char* key) {
        char buf[64];
        uint32_t n = GetPrivateProfileStringA(section, key, "", buf, sizeof buf, file.c_str());
        return std::string(buf, n);
    }
    std::string base_, data_, store_;
};

}  // namespace

TEST_F(VirtualStore, CopiesLiveUnderTheStoreAtTheFilesAbsolutePath) {
    std::string cwd = fs::current_path().string();
    EXPECT_EQ(VirtualStoreRoot(), store_);
    EXPECT_EQ(VirtualStoreCopyOf("/usr/games/vr/log.txt"), store_ + "/usr/games/vr/log.txt");
    EXPECT_EQ(VirtualStoreCopyOf("\\usr\\games\\vr\\sub\\..\\font.ini"), store_ + "/usr/games/vr/font.ini");
    EXPECT_EQ(VirtualStoreCopyOf("rel/a.ini"), store_ + cwd + "/rel/a.ini");
    EXPECT_EQ(VirtualStoreCopyOf(store_ + "/usr/x.txt"), store_ + "/usr/x.txt");  // no copy of a copy
}

TEST_F(VirtualStore, AWritableFolderIsUsedAsItIsUntilTheUserHasACopy) {
    std::string dir = base_ + "/open";
    fs::create_directories(dir);
    EXPECT_EQ(PathForWriting(dir + "\\log.txt"), dir + "/log.txt");
    ASSERT_TRUE(AppendToFile(dir + "\\log.txt", "a"));
    EXPECT_EQ(ReadBytes(dir + "/log.txt"), "a");
    EXPECT_EQ(PathForReading(dir + "/log.txt"), dir + "/log.txt");
    EXPECT_FALSE(fs::exists(store_));
    // A missing folder is not virtualised: the write fails as it would anyway.
    EXPECT_EQ(PathForWriting(dir + "/missing/x.ini"), dir + "/missing/x.ini");
    EXPECT_FALSE(AppendToFile(dir + "/missing/x.ini", "a"));
    // Once the user has a copy, reads, writes and file tests all use it.
    std::string copy = store_ + dir + "/log.txt";
    fs::create_directories(fs::path(copy).parent_path());
    WriteBytes(copy, "copy");
    WriteBytes(store_ + dir + "/only-copy.ini", "[s]\r\nk=v\r\n");
    EXPECT_EQ(PathForReading(dir + "/log.txt"), copy);
    ASSERT_TRUE(AppendToFile(dir + "/log.txt", "+"));
    EXPECT_EQ(ReadBytes(copy), "copy+");
    EXPECT_EQ(ReadBytes(dir + "/log.txt"), "a");
    EXPECT_TRUE(PathFileExistsA(dir + "\\only-copy.ini"));
    EXPECT_EQ(IniValue(dir + "\\only-copy.ini", "s", "k"), "v");
}

TEST_F(VirtualStore, WritesTheUserMayNotMakeGoToTheStoreAndKeepTheOriginal) {
    std::string dir = ReadOnlyProgramFolder({{"game.ini", "[a]\r\nx=1\r\n"}, {"log.txt", "old\r\n"}});
    std::string complaint = AsOrdinaryUser([&]() -> std::string {
        if (!WritePrivateProfileStringA("a", "y", "2", (dir + "\\game.ini").c_str())) return "the INI write failed";
        if (!WritePrivateProfileStringA("b", "z", "3", (dir + "\\new.ini").c_str())) return "the new INI failed";
        if (!AppendToFile(dir + "\\log.txt", "one\r\n") || !AppendToFile(dir + "\\log.txt", "two\r\n"))
            return "the log append failed";
        if (IniValue(dir + "\\game.ini", "a", "x") != "1" || IniValue(dir + "\\game.ini", "a", "y") != "2")
            return "the INI does not read back with both keys";
        if (!PathFileExistsA(dir + "\\new.ini")) return "the new INI is not seen";
        if (!SaveSurface(Surface(3, 2, 0xFF0000), dir + "\\shot.bmp")) return "the screenshot was not saved";
        if (LoadPictureFile(dir + "\\shot.bmp").width != 3) return "the screenshot does not load back";
        return "";
    });
    EXPECT_EQ(complaint, "");
    std::string copies = store_ + dir;
    EXPECT_EQ(ReadBytes(copies + "/game.ini"), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ReadBytes(copies + "/new.ini"), "[b]\r\nz=3\r\n");
    EXPECT_EQ(ReadBytes(copies + "/log.txt"), "old\r\none\r\ntwo\r\n");
    EXPECT_EQ(ReadBytes(dir + "/game.ini"), "[a]\r\nx=1\r\n");
    EXPECT_EQ(ReadBytes(dir + "/log.txt"), "old\r\n");
    EXPECT_FALSE(fs::exists(dir + "/new.ini"));
    EXPECT_TRUE(fs::exists(copies + "/shot.bmp"));
    EXPECT_FALSE(fs::exists(dir + "/shot.bmp"));
}

TEST_F(VirtualStore, AReadOnlyFileInAWritableFolderGetsAWritableCopy) {
    std::string dir = base_ + "/open";
    fs::create_directories(dir);
    WriteBytes(dir + "/locked.ini", "[a]\r\nx=1\r\n");
    fs::permissions(dir + "/locked.ini", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() == 0) {
        fs::permissions(base_, fs::perms::all, fs::perm_options::add);
        fs::permissions(dir, fs::perms::all, fs::perm_options::add);
        fs::permissions(data_, fs::perms::all, fs::perm_options::add);
    }
    std::string complaint = AsOrdinaryUser([&]() -> std::string {
        return WritePrivateProfileStringA("a", "x", "2", (dir + "/locked.ini").c_str()) ? "" : "the INI write failed";
    });
    EXPECT_EQ(complaint, "");
    EXPECT_EQ(ReadBytes(store_ + dir + "/locked.ini"), "[a]\r\nx=2\r\n");
    EXPECT_EQ(ReadBytes(dir + "/locked.ini"), "[a]\r\nx=1\r\n");
}
