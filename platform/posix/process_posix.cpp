#include "platform/process.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/posix/errno_result.h"
#include "platform/text.h"

extern char** environ;

namespace qm::platform {
namespace {

constexpr size_t kOutputLimit = 64 * 1024;

}  // namespace

HRESULT ChildProcess::Start(const WCHAR* program, const std::vector<std::basic_string<WCHAR>>& arguments) noexcept {
    if (started_ || program == nullptr) return E_UNEXPECTED;
    try {
        std::vector<std::string> words;
        words.push_back(WideToUtf8(program));
        for (const auto& a : arguments) words.push_back(WideToUtf8(a.c_str()));
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);

        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return ResultFromErrno(errno);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int error = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (error != 0) {
            close(pipeFds[0]);
            return ResultFromErrno(error);
        }
        process_ = pid;
        output_ = pipeFds[0];
        started_ = true;
        startedAt_ = MillisecondClock();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

ChildEnd ChildProcess::Finish(uint32_t timeoutMs, std::string* output, uint32_t* exitCode) noexcept {
    *exitCode = 0;
    if (!started_) return ChildEnd::Crashed;
    const int fd = static_cast<int>(output_);
    bool timedOut = false;
    // The pipe reaches its end when the child (and whatever inherited the pipe from it) is gone.
    for (;;) {
        const uint32_t elapsed = MillisecondClock() - startedAt_;
        if (elapsed >= timeoutMs) {
            timedOut = true;
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        try {
            if (output->size() < kOutputLimit) output->append(buffer, static_cast<size_t>(n));
        } catch (...) {
        }
    }
    const pid_t pid = static_cast<pid_t>(process_);
    int status = 0;
    // A child that has ended while something it started still holds the pipe did not time out.
    if (timedOut && waitpid(pid, &status, WNOHANG) == pid) {
        timedOut = false;
    } else {
        if (timedOut) kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    close(fd);
    started_ = false;
    process_ = -1;
    output_ = -1;
    if (timedOut) return ChildEnd::TimedOut;
    if (WIFSIGNALED(status)) {
        *exitCode = static_cast<uint32_t>(WTERMSIG(status));
        return ChildEnd::Crashed;
    }
    *exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    return ChildEnd::Exited;
}

unsigned CurrentProcessThreadCount() noexcept {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    unsigned n = 0;
    while (const dirent* d = readdir(tasks)) {
        if (d->d_name[0] != '.') ++n;
    }
    closedir(tasks);
    return n;
}

unsigned ProcessorCount() noexcept {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return static_cast<unsigned>(n);
    }
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1u;
}

const WCHAR* ProbeProgramName() noexcept { return u"qmvsti-probe"; }

}  // namespace qm::platform
