#include "framework/app_services.h"

#include <cstring>

#include "framework/lang.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/text.h"

namespace {

constexpr int kPathChars = 260;
constexpr int kCaptionChars = 260;

struct AppServices {
    qm::platform::RecursiveLock lock;
    HINSTANCE messageBoxModule = nullptr;
    WCHAR caption[kCaptionChars] = {};
    WCHAR helpPaths[QMHELP_KIND_COUNT][kPathChars] = {};
};

// Built on first use: the module entry sets these while static constructors of other files may not
// have run yet.
AppServices& Services() noexcept {
    static AppServices services;
    return services;
}

bool ValidKind(int kind) noexcept { return kind >= 0 && kind < QMHELP_KIND_COUNT; }

int CopyTruncated(const WCHAR* source, WCHAR* dest, int capacity) noexcept {
    return qm::platform::CopyWide(source, dest, capacity);
}

// Appends `text` at *length; false when the buffer of `capacity` characters cannot hold it.
bool Append(WCHAR* buffer, int capacity, int* length, const WCHAR* text) noexcept {
    for (const WCHAR* p = text; *p != 0; ++p) {
        if (*length + 1 >= capacity) return false;
        buffer[(*length)++] = *p;
    }
    buffer[*length] = 0;
    return true;
}

}  // namespace

QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMsgBoxSetAppData(HINSTANCE module, DWORD /*flags*/, LPCWSTR caption) noexcept {
    AppServices& s = Services();
    qm::platform::LockScope hold(s.lock);
    s.messageBoxModule = module;
    CopyTruncated(caption, s.caption, kCaptionChars);
    return S_OK;
}

QM_EXTERN_C QM_EXPORT int QMAPI QmMsgBoxGetCaption(WCHAR* dest, int cchDest) noexcept {
    AppServices& s = Services();
    qm::platform::LockScope hold(s.lock);
    return CopyTruncated(s.caption, dest, cchDest);
}

QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmHelp_CreateHelpFilePath(int kind, HINSTANCE module, WCHAR* buffer, int cchBuffer,
                                                              DWORD /*reserved1*/, DWORD /*reserved2*/) noexcept {
    if (buffer == nullptr || cchBuffer < 1 || !ValidKind(kind)) return E_INVALIDARG;
    buffer[0] = 0;
    WCHAR modulePath[1024];
    const void* anchor = module != nullptr ? static_cast<const void*>(module) : reinterpret_cast<const void*>(&Services);
    const size_t pathLength = qm::platform::ModulePathOf(anchor, modulePath, 1024);
    if (pathLength == 0) return E_FAIL;

    // Split into folder (with its separator), base name and extension; keep the path's own separator.
    size_t nameStart = 0;
    WCHAR separator = '/';
    for (size_t i = 0; i < pathLength; ++i) {
        if (modulePath[i] == '/' || modulePath[i] == '\\') {
            nameStart = i + 1;
            separator = modulePath[i];
        }
    }
    size_t nameEnd = pathLength;
    for (size_t i = pathLength; i > nameStart; --i) {
        if (modulePath[i - 1] == '.') {
            nameEnd = i - 1;
            break;
        }
    }
    WCHAR folder[1024];
    std::memcpy(folder, modulePath, nameStart * sizeof(WCHAR));
    folder[nameStart] = 0;
    WCHAR baseName[1024];
    std::memcpy(baseName, modulePath + nameStart, (nameEnd - nameStart) * sizeof(WCHAR));
    baseName[nameEnd - nameStart] = 0;

    // Translated help sits in a folder named by the language's LCID, as installers lay it out.
    WCHAR languageFolder[16] = {};
    const LCID lcid = QmLang_GetLCID(qm::KernelLangHandle());
    if (lcid != 0 && !QmLang_IsLCIDEnglish(lcid)) {
        char digits[12];
        int n = 0;
        for (LCID v = lcid; v != 0 && n < 11; v /= 10) digits[n++] = static_cast<char>('0' + v % 10);
        int k = 0;
        while (n > 0) languageFolder[k++] = static_cast<WCHAR>(digits[--n]);
        languageFolder[k++] = separator;
        languageFolder[k] = 0;
    }
    static const WCHAR kMainExtension[] = {'.', 'c', 'h', 'm', 0};
    static const WCHAR kContextExtension[] = {'.', 'h', 'l', 'p', 0};

    int length = 0;
    if (!Append(buffer, cchBuffer, &length, folder) || !Append(buffer, cchBuffer, &length, languageFolder) ||
        !Append(buffer, cchBuffer, &length, baseName) ||
        !Append(buffer, cchBuffer, &length, kind == QMHELP_KIND_MAIN ? kMainExtension : kContextExtension)) {
        buffer[0] = 0;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    return S_OK;
}

QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmHelp_SetHelpFilePath(int kind, LPCWSTR path) noexcept {
    if (!ValidKind(kind)) return E_INVALIDARG;
    AppServices& s = Services();
    qm::platform::LockScope hold(s.lock);
    CopyTruncated(path, s.helpPaths[kind], kPathChars);
    return S_OK;
}

QM_EXTERN_C QM_EXPORT int QMAPI QmHelp_GetHelpFilePath(int kind, WCHAR* dest, int cchDest) noexcept {
    if (!ValidKind(kind)) return CopyTruncated(nullptr, dest, cchDest);
    AppServices& s = Services();
    qm::platform::LockScope hold(s.lock);
    return CopyTruncated(s.helpPaths[kind], dest, cchDest);
}

namespace qm {

bool IsRunDll32Process(const WCHAR* executablePath) noexcept {
    if (executablePath == nullptr) return false;
    const WCHAR* name = executablePath;
    for (const WCHAR* p = executablePath; *p != 0; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':') name = p + 1;
    }
    static const char kRunDll32[] = "RUNDLL32.EXE";
    const char* expected = kRunDll32;
    for (; *name != 0 && *expected != 0; ++name, ++expected) {
        const WCHAR c = (*name >= 'a' && *name <= 'z') ? static_cast<WCHAR>(*name - 'a' + 'A') : *name;
        if (c != static_cast<WCHAR>(*expected)) return false;
    }
    return *name == 0 && *expected == 0;
}

}  // namespace qm
