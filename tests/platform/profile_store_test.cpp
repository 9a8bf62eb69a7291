// How INI files are kept on disk: whole-file replacement, files that cannot
// be read, and the parse cache.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <random>

#include "kernel/profile_seams.h"
#include "profile_fixture.h"

using namespace vr;
using vr::testing::Profile;

namespace {

constexpr int kSkip = 77;

// Runs fn in a child process; answers its result (the exit status), or -1 when it died.
int InChild(const std::function<int()>& fn) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(fn());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string KeyName(int i) { return "key" + std::to_string(i); }
std::string ValueOf(int i) { return "value number " + std::to_string(i); }

std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(Profile, AFullDiskPartWayLeavesTheOldFileWholeAndAnswersZero) {
    std::string content = "[s]\r\n";
    for (int i = 0; i < 200; ++i) content += KeyName(i) + "=" + ValueOf(i) + "\r\n";
    ASSERT_GT(content.size(), 4096u);
    File(content);
    // A 4 KiB file-size limit stands in for a disk that fills up part-way.
    int result = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return kSkip;
        return WritePrivateProfileStringA("s", "new", "v", file_.c_str()) != 0 ? 1 : 0;
    });
    if (result == kSkip) GTEST_SKIP() << "this system refuses a file-size limit, so a full disk cannot be simulated";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Bytes(), content);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(Get("s", KeyName(i).c_str()), ValueOf(i)) << i;
    EXPECT_EQ(FilesIn(dir_), std::vector<std::string>{"t.ini"});  // no temporary file left behind
}

const char* const kTwoSections = "[a]\r\nk=1\r\n;note\r\n[b]\r\nz=2\r\n";

TEST_F(Profile, AFileWithoutReadPermissionIsLeftByteForByte) {
    // As root that takes another user, in a folder that user may enter.
    std::string folder = "/tmp/vr-profile-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ::chmod(folder.c_str(), 0777);
    std::string locked = folder + "/t.ini";
    vr::testing::WriteBytes(locked, kTwoSections);
    ::chmod(locked.c_str(), 0222);
    int result = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return kSkip;
        int fd = ::open(locked.c_str(), O_RDONLY);
        if (fd >= 0) return kSkip;
        return WritePrivateProfileStringA("a", "k", "new", locked.c_str()) != 0 ? 1 : 0;
    });
    std::string after = vr::testing::ReadBytes(locked);
    std::filesystem::remove_all(folder);
    if (result == kSkip) GTEST_SKIP() << "cannot take away read permission here (no other user to become)";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(after, kTwoSections);
}

TEST_F(Profile, AReadErrorPartWayLeavesTheFileByteForByte) {
    File(kTwoSections);
    SimulateProfileReadErrorAfter(7);
    int32_t written = WritePrivateProfileStringA("a", "k", "new", file_.c_str());
    int32_t deleted = WritePrivateProfileStringA("b", nullptr, nullptr, file_.c_str());
    std::string shown = Get("a", "k", "default");
    SimulateProfileReadErrorAfter(-1);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(shown, "default");
    EXPECT_EQ(Bytes(), kTwoSections);
    EXPECT_EQ(Get("a", "k"), "1");
}

TEST_F(Profile, AWriteKeepsTheFilesModeAndGoesThroughASymbolicLink) {
    File("[s]\r\nk=1\r\n");
    ::chmod(file_.c_str(), 0640);
    std::filesystem::create_symlink("t.ini", dir_ + "/link.ini");
    ASSERT_NE(WritePrivateProfileStringA("s", "k", "2", (dir_ + "/link.ini").c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "/link.ini"));
    EXPECT_EQ(Bytes(), "[s]\r\nk=2\r\n");
    struct stat st {};
    ::stat(file_.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(dir_), (std::vector<std::string>{"link.ini", "t.ini"}));
}

TEST_F(Profile, FortyTwoReadsOfATenMegabyteFileCostOneParseAndWritesNone) {
    // A damaged file: random bytes around one real section.
    std::mt19937 random(17);
    std::string junk(5 << 20, '\0');
    for (char& c : junk) c = char(random());
    File(junk + "\r\n[Top10]\r\nkey1=one\r\n" + junk);
    uint64_t parses = ProfileParseCount();
    int found = 0;
    for (int i = 0; i < 42; ++i) found += Get("Top10", ("key" + std::to_string(i % 3)).c_str()) == "one";
    EXPECT_EQ(found, 14);
    EXPECT_EQ(ProfileParseCount() - parses, 1u);
    ASSERT_NE(WritePrivateProfileStringA("Top10", "key2", "two", file_.c_str()), 0);
    EXPECT_EQ(Get("Top10", "key2"), "two");
    EXPECT_EQ(ProfileParseCount() - parses, 1u);
}

TEST_F(Profile, AChangeMadeRightAfterAReadIsSeen) {
    // The same size, in place, within the same tick of the file clock.
    File("[s]\r\nk=1\r\n");
    EXPECT_EQ(Get("s", "k"), "1");
    File("[s]\r\nk=2\r\n");
    EXPECT_EQ(Get("s", "k"), "2");
    ASSERT_NE(WritePrivateProfileStringA("s", "k", "3", file_.c_str()), 0);
    File("[s]\r\nk=4\r\n");
    EXPECT_EQ(Get("s", "k"), "4");
}

TEST_F(Profile, AWriteGroupReachesTheDiskOnceWhenItEnds) {
    File("[S]\r\nold=1\r\n");
    {
        ProfileWriteGroup group;
        for (int i = 0; i < 50; ++i)
            ASSERT_NE(WritePrivateProfileStringA("S", ("k" + std::to_string(i)).c_str(), "v", file_.c_str()), 0);
        EXPECT_EQ(Get("S", "k49"), "v") << "reads see the group's writes";
        EXPECT_EQ(Bytes(), "[S]\r\nold=1\r\n") << "the disk does not, yet";
        {
            ProfileWriteGroup inner;  // joins the outer group
            WritePrivateProfileStringA("S", "inner", "x", file_.c_str());
        }
        EXPECT_EQ(Bytes().find("inner"), std::string::npos);
    }
    std::string written = Bytes();
    EXPECT_EQ(written.substr(0, 24), "[S]\r\nold=1\r\nk0=v\r\nk1=v\r\n");
    EXPECT_NE(written.find("k49=v\r\ninner=x\r\n"), std::string::npos);
    ProfileWriteGroup failing;
    std::string gone = dir_ + "/no/such/folder/x.ini";
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", gone.c_str()), 0) << "a missing folder still fails at once";
    WritePrivateProfileStringA("S", "k", "v", file_.c_str());
    std::filesystem::remove_all(dir_);
    EXPECT_FALSE(failing.Flush()) << "the folder went away before the flush";
}
