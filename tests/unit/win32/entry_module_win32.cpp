#include <windows.h>

#include <string>

#include "../entry_module_support.h"
#include "platform/text.h"

namespace qm::test {

const char* ModuleFileName() { return "QmVSTi.dll"; }
const char* DebugStringExportName() { return sizeof(void*) == 4 ? "QmDebugString@12" : "QmDebugString"; }

void SetDebugProfile(const char* logPath) {
    const std::u16string path = platform::Utf8ToWide(logPath ? logPath : "");
    WriteProfileStringW(L"Debug", L"LogToFilePath", logPath ? std::wstring(path.begin(), path.end()).c_str() : nullptr);
}

}  // namespace qm::test
