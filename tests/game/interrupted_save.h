// A program killed in the middle of saving: a child process saves one content
// and then the other, over and over, and is killed with SIGKILL after a
// growing delay; the file must then hold one of the two whole.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace game::testing {

// save(0) once, then save(1), save(0), ... until killed. `holds` answers 0 or
// 1 for a whole content and -1 for a mix of both.
inline void ExpectWholeAfterKills(const std::function<void(int)>& save, const std::function<int()>& holds) {
    for (int round = 0; round < 12; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            try {
                save(0);
                (void)!::write(ready[1], "s", 1);
                for (int k = 1;; ++k) save(k % 2);
            } catch (...) {
            }
            ::_exit(3);
        }
        ::close(ready[1]);
        char signal = 0;
        bool started = ::read(ready[0], &signal, 1) == 1;
        ::close(ready[0]);
        ::usleep(useconds_t(round * round * 200));  // 0 to 24 ms into the saves
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(started) << "the child's first save failed";
        ASSERT_NE(holds(), -1) << "a mix of old and new after a kill " << round * round * 200 << " us in";
    }
}

}  // namespace game::testing
