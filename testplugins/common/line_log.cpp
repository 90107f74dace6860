#include "common/line_log.h"

#include <cstdio>
#include <mutex>
#include "common/environment.h"
#include "protocol.h"

namespace qmtest {

namespace {
std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

void AppendLogLine(const char* text) {
    char path[1024];
    if (!ReadEnvironment(kRecorderLogVariable, path, sizeof path)) return;
    std::lock_guard<std::mutex> hold(LogLock());
    std::FILE* file = std::fopen(path, "ab");
    if (!file) return;
    std::fputs(text, file);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace qmtest
