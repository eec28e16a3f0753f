// A save that is cut off at any point (the disk fills up, the process is
// killed) leaves the file that was there intact: the host writes beside it
// and renames only a complete file over it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "host/arx.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::u16string wide(const fs::path& p) {
    std::string s = p.string();
    return std::u16string(s.begin(), s.end());
}

class InterruptedSave : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("save-interrupt-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        target_ = dir_ / "plan.dxf";
        // The file on disk: the test drawing as it is.
        fs::copy_file(fs::path(ARX_TEST_DATA_DIR) / "dxf_unicode.dxf", target_);
        original_ = slurp(target_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs `save` in a child process and returns its wait status.
    template <class F>
    int inChild(F save) {
        pid_t pid = fork();
        if (pid == 0) {
            save();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    }

    fs::path dir_, target_;
    std::string original_;
};

TEST_F(InterruptedSave, DiskFullAtAnyPointKeepsTheOriginal) {
    // The drawing saved is a larger one, so the limit falls inside its text.
    const fs::path big = fs::path(ARX_TEST_DATA_DIR) / "uncommon.dxf";
    for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(4096), rlim_t(100000), rlim_t(300000)}) {
        int status = inChild([&] {
            signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail instead of killing
            AcDbDatabase db(false);
            if (db.readDwgFile(wide(big).c_str()) != Acad::eOk) _exit(3);
            rlimit r{limit, limit};
            setrlimit(RLIMIT_FSIZE, &r);
            _exit(db.saveAs(wide(target_).c_str(), true) == Acad::eOk ? 0 : 1);
        });
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << "the save past " << limit << " bytes should fail";
        EXPECT_EQ(slurp(target_), original_) << "original changed with a limit of " << limit;
        EXPECT_FALSE(fs::exists(dir_ / "plan.bak")) << "a failed save leaves no backup behind";
        // Nothing half-written is left next to it.
        for (auto& e : fs::directory_iterator(dir_)) EXPECT_EQ(e.path(), target_);
    }
}

TEST_F(InterruptedSave, KilledAtAnyMomentLeavesAWholeFile) {
    const fs::path big = fs::path(ARX_TEST_DATA_DIR) / "uncommon.dxf";
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDwgFile(wide(big).c_str()), Acad::eOk);
    const fs::path expectedPath = dir_ / "expected.dxf";
    ASSERT_EQ(db.saveAs(wide(expectedPath).c_str()), Acad::eOk);
    const std::string saved = slurp(expectedPath);
    fs::remove(expectedPath);

    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        pid_t pid = fork();
        if (pid == 0) {
            for (;;) db.saveAs(wide(target_).c_str(), false);
        }
        usleep(static_cast<useconds_t>(rng() % 20000));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        // Whatever moment the kill hit, the file is either the old one or a
        // complete new one, never a mixture.
        std::string now = slurp(target_);
        EXPECT_TRUE(now == original_ || now == saved) << "round " << round << ": " << now.size() << " bytes";
        // Remove leftovers of the killed writer (its temporary file) for the next round.
        for (auto& e : fs::directory_iterator(dir_))
            if (e.path() != target_) fs::remove(e.path());
    }
}

}  // namespace
