// qmvsti-probe MODULE: the scan's test load of one module, run where a module that crashes, hangs or
// ends its process costs nothing but this process. Prints the probe report (exit code 0); 2 for a
// bad command line.
#include <cstdio>
#include <cstring>

#include "discovery/probe_report.h"
#include "discovery/plugin_record.h"
#include "discovery/scan_candidate.h"
#include "discovery/synth_type.h"
#include "framework/kernel.h"
#include "framework/lang.h"
#include "platform/process.h"
#include "probe_streams.h"

int main(int argc, char** argv) {
    using namespace qm;
    std::basic_string<WCHAR> path;
    if (!probe::ModuleArgument(argc, argv, &path) || path.size() >= static_cast<size_t>(kPluginPathChars)) {
        std::fputs("usage: qmvsti-probe MODULE\n", stderr);
        return 2;
    }
    probe::SetAsideReportStream();
    static int anchor;
    QmKernel_EarlyInitialize(ModuleInstanceOf(&anchor), kEnglishLCID);

    CQmVSTiSynthType* type = CQmVSTiSynthType::Create();
    if (type == nullptr) probe::EndProcess(1);
    type->AddRef();
    VstiPluginRecord record;
    std::memset(&record, 0, sizeof(record));
    WideCopy(record.path, kPluginPathChars, path.c_str());
    TypeScanTester tester(type);
    const unsigned threadsBefore = platform::CurrentProcessThreadCount();
    TestScanCandidate(tester, &record);
    // The instance is gone and its module unloaded: a thread it started and left running would run
    // on in the host.
    const unsigned threadsAfter = platform::CurrentProcessThreadCount();
    probe::WriteReport(FormatProbeReport(record, threadsAfter > threadsBefore ? threadsAfter - threadsBefore : 0));
    // Threads or exit handlers the module left behind must not keep this process alive.
    probe::EndProcess(0);
}
