#include <fcntl.h>
#include <unistd.h>

#include "platform/text.h"
#include "probe_streams.h"

namespace qm::probe {

namespace {
int g_report = 1;
}  // namespace

bool ModuleArgument(int argc, char** argv, std::basic_string<WCHAR>* path) {
    if (argc != 2 || argv[1][0] == 0) return false;
    const std::u16string wide = platform::Utf8ToWide(argv[1]);
    path->assign(wide.begin(), wide.end());
    return true;
}

void SetAsideReportStream() {
    g_report = fcntl(1, F_DUPFD_CLOEXEC, 3);
    const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (g_report < 0 || nothing < 0) {
        g_report = 1;
        return;
    }
    dup2(nothing, 1);
    close(nothing);
}

void WriteReport(const std::string& report) {
    size_t done = 0;
    while (done < report.size()) {
        const ssize_t n = write(g_report, report.data() + done, report.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void EndProcess(int code) { _exit(code); }

}  // namespace qm::probe
