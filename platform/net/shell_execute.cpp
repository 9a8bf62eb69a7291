#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/net.h"


namespace vr {

intptr_t ShellExecuteA(intptr_t, const char* verb, const char* file, const char*, const char*, int) {
    if (!file || !*file) return 2;  // file not found
    if (verb && *verb && std::string(verb) != "open") return 31;  // no association
    const char* env = std::getenv("VR_URL_OPENER");
    std::string opener = env && *env ? env : "xdg-open";
    // Double fork so the opener is detached and never left as a zombie.
    pid_t child = fork();
    if (child < 0) return 8;
    if (child == 0) {
        setsid();
        pid_t grand = fork();
        if (grand == 0) {
            int devnull = open("/dev/null", O_RDWR);
            if (devnull >= 0) {
                dup2(devnull, 0);
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            execlp(opener.c_str(), opener.c_str(), file, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(grand < 0 ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return 42;
}

}  // namespace vr
