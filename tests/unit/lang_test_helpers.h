// Helpers shared by the language handle tests.
#pragma once
#include <cstdint>
#include <fstream>
#include <map>
#include <string>

#include "framework/lang.h"
#include "platform/module.h"
#include "platform/text.h"

namespace langtest {

using WString = std::basic_string<WCHAR>;

// The file name of the language module built beside the module (one per platform, tests/unit/*/).
const char* LanguageModuleFileName();

inline WString W(const char* utf8) {
    const std::u16string wide = qm::platform::Utf8ToWide(utf8);
    return WString(wide.begin(), wide.end());
}

inline void AnchorFunction() {}

// The folder of this test program, with a trailing separator.
inline std::string ProgramFolder() {
    WCHAR path[1024];
    const size_t length = qm::platform::ModulePathOf(reinterpret_cast<const void*>(&AnchorFunction), path, 1024);
    const std::string folder = qm::platform::WideToUtf8(path, static_cast<ptrdiff_t>(length));
    const size_t cut = folder.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
}

inline HINSTANCE ProgramInstance() { return qm::ModuleInstanceOf(reinterpret_cast<const void*>(&AnchorFunction)); }

inline WString LanguageModulePath() { return W((ProgramFolder() + LanguageModuleFileName()).c_str()); }

// A string-table source file (resources/strings/<name>.txt, copied into the build tree), read
// independently of the generator: id -> text with the escapes resolved.
inline std::map<uint32_t, WString> ReadTableSource(const char* name) {
    std::map<uint32_t, WString> table;
    std::ifstream in(ProgramFolder() + "../resources/strings/" + name, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string text;
        for (size_t i = tab + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char e = line[++i];
                text += e == 't' ? '\t' : (e == 'n' ? '\n' : e);
            } else {
                text += line[i];
            }
        }
        table[static_cast<uint32_t>(std::stoul(line.substr(0, tab)))] = W(text.c_str());
    }
    return table;
}

// What a translation must keep of a text, in order: its printf placeholders, tabs and line feeds.
inline std::string FormatOf(const WString& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\t' || text[i] == '\n') out += static_cast<char>(text[i]);
        if (text[i] == '%' && i + 1 < text.size()) out += {'%', static_cast<char>(text[++i])};
    }
    return out;
}

// Opens the process-wide kernel handle for a test unless someone else already did.
class KernelHandleScope {
public:
    KernelHandleScope() {
        if (qm::KernelLangHandle() == nullptr) owned_ = qm::OpenKernelLangHandle(ProgramInstance(), 1033) == S_OK;
    }
    ~KernelHandleScope() {
        if (owned_) qm::CloseKernelLangHandle();
    }
    KernelHandleScope(const KernelHandleScope&) = delete;
    KernelHandleScope& operator=(const KernelHandleScope&) = delete;

private:
    bool owned_ = false;
};

// One handle for the duration of a test.
struct OwnedLang {
    HQMLANG lang = nullptr;
    ~OwnedLang() { QmLang_Close(lang); }
    HQMLANG operator*() const { return lang; }
};

}  // namespace langtest
