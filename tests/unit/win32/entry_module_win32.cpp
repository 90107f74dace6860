#include <windows.h>

#include <string>

#include "../entry_module_support.h"
#include "platform/text.h"

namespace qm::test {

namespace {
std::wstring W(const std::string& utf8) {
    const std::u16string w = platform::Utf8ToWide(utf8.c_str());
    return std::wstring(w.begin(), w.end());
}
}  // namespace

const char* ModuleFileName() { return "QmVSTi.dll"; }
const char* DebugStringExportName() { return sizeof(void*) == 4 ? "QmDebugString@12" : "QmDebugString"; }

std::string MakeTempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base) + L"qmvsti_entry_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return platform::WideToUtf8(folder.c_str());
}

void RemoveTempFolder(const std::string& folder) { RemoveDirectoryW(W(folder).c_str()); }

void SetDebugProfile(const std::string&, const std::string& logPath) {
    WriteProfileStringW(L"Debug", L"LogToFilePath", W(logPath).c_str());
}

void ClearDebugProfile() { WriteProfileStringW(L"Debug", L"LogToFilePath", nullptr); }

}  // namespace qm::test
