// The guest's first process: mounts the kernel's file systems, loads modules, runs one test
// command, prints its verdict on the console and powers the guest off.
//
// Invoked by the kernel as: /init MODULE.ko... COMMAND [ARGUMENT...] (the words after "--" on the
// kernel command line, which ends at a second "--"). The verdict is one line,
// "kestrel-kernel-test: PASS" or "kestrel-kernel-test: FAIL (why)", which the host script reads.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/reboot.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void PowerOff() {
    sync();
    reboot(RB_POWER_OFF);
    // Only reached without the right to power off; the host's timeout ends the guest.
    for (;;) {
        pause();
    }
}

[[noreturn]] void Fail(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("kestrel-kernel-test: FAIL (", stdout);
    std::vprintf(format, arguments);
    std::fputs(")\n", stdout);
    va_end(arguments);
    std::fflush(stdout);
    PowerOff();
}

void Mount(const char* type, const char* target) {
    mkdir(target, 0755);
    if (mount(type, target, type, 0, nullptr) != 0) {
        Fail("cannot mount %s on %s: %s", type, target, std::strerror(errno));
    }
}

// The kernel gives init the console only when the initramfs has /dev/console; devtmpfs has it.
void EnsureConsole() {
    if (fcntl(STDOUT_FILENO, F_GETFD) != -1) {
        return;
    }
    const int console = open("/dev/console", O_RDWR);
    if (console < 0) {
        PowerOff();  // nowhere to say anything; the host reports the missing verdict
    }
    for (int fd = 0; fd <= 2; ++fd) {
        dup2(console, fd);
    }
    if (console > 2) {
        close(console);
    }
}

// "PATH.ko", or "PATH.ko,PARAMETERS" for a module that takes parameters.
bool IsModule(std::string_view argument) {
    const std::string_view path = argument.substr(0, argument.find(','));
    return path.size() > 3 && path.substr(path.size() - 3) == ".ko";
}

void LoadModule(std::string_view argument) {
    const std::size_t comma = argument.find(',');
    const std::string path(argument.substr(0, comma));
    const std::string parameters(comma == std::string_view::npos ? std::string_view()
                                                                 : argument.substr(comma + 1));
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail("cannot open module %s: %s", path.c_str(), std::strerror(errno));
    }
    const long loaded = syscall(SYS_finit_module, fd, parameters.c_str(), 0);
    const int error = errno;
    close(fd);
    if (loaded != 0 && error != EEXIST) {
        Fail("cannot load module %s: %s", path.c_str(), std::strerror(error));
    }
}

// As process 1 it also reaps every orphan the test leaves behind.
int WaitFor(pid_t child) {
    for (;;) {
        int status = 0;
        const pid_t ended = wait(&status);
        if (ended == child) {
            return status;
        }
        if (ended < 0 && errno != EINTR) {
            Fail("lost the test process: %s", std::strerror(errno));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Mount("devtmpfs", "/dev");
    EnsureConsole();
    Mount("proc", "/proc");
    Mount("sysfs", "/sys");

    int arg = 1;
    for (; arg < argc && IsModule(argv[arg]); ++arg) {
        LoadModule(argv[arg]);
    }
    if (arg >= argc) {
        Fail("no test command");
    }
    char** command = argv + arg;

    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0) {
        Fail("cannot start %s: %s", command[0], std::strerror(errno));
    }
    if (child == 0) {
        execv(command[0], command);
        std::printf("cannot run %s: %s\n", command[0], std::strerror(errno));
        _exit(127);
    }
    const int status = WaitFor(child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::puts("kestrel-kernel-test: PASS");
        std::fflush(stdout);
        PowerOff();
    }
    if (WIFSIGNALED(status)) {
        Fail("%s killed by signal %d", command[0], WTERMSIG(status));
    }
    Fail("%s exited with status %d", command[0], WEXITSTATUS(status));
}
