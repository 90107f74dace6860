// The language handle: opening and closing, the kernel handle, language changes and the scratch ring.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/lang_internal.h"
#include "platform/module.h"

namespace {

using qm::platform::LockScope;

std::atomic<HQMLANG> g_kernelLang{nullptr};

// The abbreviation of QmSetLangID: three UTF-16 units packed into one word, so that readers on
// other threads never see half of a change.
constexpr uint64_t PackAbbreviation(WCHAR a, WCHAR b, WCHAR c) noexcept {
    return static_cast<uint64_t>(static_cast<uint16_t>(a)) | (static_cast<uint64_t>(static_cast<uint16_t>(b)) << 16) |
           (static_cast<uint64_t>(static_cast<uint16_t>(c)) << 32);
}
std::atomic<uint64_t> g_abbreviation{PackAbbreviation('E', 'N', 'U')};

int FixScratchCapacity(int asked) noexcept {
    if (asked == 0) return 8192;
    if (asked <= 2048) return 2048;
    return asked;
}

// "<folder>/<name>.LNG" for "<folder>/<name>.<ext>" (or a name without extension).
bool LanguageModulePathFor(HINSTANCE instance, WCHAR* path, size_t capacity) noexcept {
    const size_t length = qm::platform::ModulePathOf(reinterpret_cast<const void*>(instance), path, capacity);
    if (length == 0) return false;
    size_t cut = length;
    for (size_t i = length; i > 0; --i) {
        const WCHAR c = path[i - 1];
        if (c == '/' || c == '\\') break;
        if (c == '.') {
            cut = i - 1;
            break;
        }
    }
    static const WCHAR kExtension[] = {'.', 'L', 'N', 'G', 0};
    if (cut + 5 > capacity) return false;
    std::memcpy(path + cut, kExtension, sizeof(kExtension));
    return true;
}

// Gives one handle a new LCID: a change empties its cache and forgets the record slot.
void ApplyLcid(HQMLANG lang, LCID lcid) noexcept {
    LockScope scope(lang->Lock());
    const BOOL useLanguageModule = qm::lang::PrimaryLanguage(lcid) != qm::lang::kEnglishPrimary ? TRUE : FALSE;
    if (lang->lcid != lcid) {
        lang->lcid = lcid;
        lang->languageSlot = 0;
        qm::lang::ClearCache(lang);
    } else if (lang->useLanguageModule != useLanguageModule) {
        // A handle opened with the user's LCID reads English until the language is first set; the
        // texts cached meanwhile came from the instance and must not outlive the switch.
        qm::lang::ClearCache(lang);
    }
    lang->useLanguageModule = useLanguageModule;
}

void ApplyLanguageModule(HQMLANG lang, HINSTANCE module) noexcept {
    LockScope scope(lang->Lock());
    lang->languageModule = module;
    qm::lang::ClearCache(lang);
}

}  // namespace

namespace qm {

HRESULT LangOpenWithLanguageModule(HQMLANG* phLang, HINSTANCE instance, LCID lcid, int scratchChars,
                                   const WCHAR* languageModulePath) noexcept {
    if (phLang == nullptr) return E_POINTER;
    if (*phLang != nullptr) return QMLANG_S_ALREADY_OPEN;
    auto* lang = static_cast<tQMLANG*>(std::calloc(1, sizeof(tQMLANG)));
    if (lang == nullptr) return E_OUTOFMEMORY;

    lang->scratchCapacity = FixScratchCapacity(scratchChars);
    lang->scratchReserve = lang::kScratchReserve;
    lang->scratchPosition = 0;
    lang->scratch = static_cast<WCHAR*>(std::calloc(static_cast<size_t>(lang->scratchCapacity), sizeof(WCHAR)));
    if (lang->scratch == nullptr ||
        FAILED(QmList_CreateExZ(&lang->cache, 0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_ALWAYS, 0, 0, 0))) {
        QmLang_Close(lang);
        return E_OUTOFMEMORY;
    }
    if (lcid != 0) lang->lcid = lcid;
    lang->languageSlot = 0;
    lang->instance = instance;

    lang->languageModule = instance;
    if (languageModulePath != nullptr && languageModulePath[0] != 0) {
        if (HINSTANCE module = static_cast<HINSTANCE>(platform::LoadModule(languageModulePath))) {
            lang->languageModule = module;
            lang->ownedLanguageModule = module;
        }
    }

    new (lang->lockStorage) platform::RecursiveLock();
    lang->lockReady = TRUE;
    *phLang = lang;
    return S_OK;
}

HQMLANG KernelLangHandle() noexcept { return g_kernelLang.load(std::memory_order_acquire); }

HRESULT OpenKernelLangHandle(HINSTANCE instance, LCID lcid) noexcept {
    HQMLANG lang = nullptr;
    const HRESULT hr = QmLang_Open(&lang, instance, lcid, 0);
    if (FAILED(hr)) return hr;
    HQMLANG expected = nullptr;
    if (!g_kernelLang.compare_exchange_strong(expected, lang, std::memory_order_acq_rel)) {
        QmLang_Close(lang);
        return QMLANG_S_ALREADY_OPEN;
    }
    return S_OK;
}

void CloseKernelLangHandle() noexcept { QmLang_Close(g_kernelLang.exchange(nullptr, std::memory_order_acq_rel)); }

void LangAbbreviation(WCHAR (&out)[4]) noexcept {
    const uint64_t packed = g_abbreviation.load(std::memory_order_acquire);
    for (int i = 0; i < 3; ++i) out[i] = static_cast<WCHAR>((packed >> (16 * i)) & 0xFFFF);
    out[3] = 0;
}

}  // namespace qm

extern "C" {

QM_EXPORT HRESULT QMAPI QmLang_Open(HQMLANG* phLang, HINSTANCE instance, LCID lcid, int scratchChars) noexcept {
    if (phLang == nullptr) return E_POINTER;
    if (*phLang != nullptr) return QMLANG_S_ALREADY_OPEN;
    WCHAR path[1024];
    const bool found = LanguageModulePathFor(instance, path, sizeof(path) / sizeof(path[0]));
    return qm::LangOpenWithLanguageModule(phLang, instance, lcid, scratchChars, found ? path : nullptr);
}

QM_EXPORT HRESULT QMAPI QmLang_Close(HQMLANG hLang) noexcept {
    if (hLang == nullptr) return S_OK;
    if (hLang->lockReady) hLang->Lock().~RecursiveLock();
    if (hLang->ownedLanguageModule != nullptr) qm::platform::UnloadModule(hLang->ownedLanguageModule);
    std::free(hLang->scratch);
    QmList_Destroy(hLang->cache);
    std::free(hLang);
    return S_OK;
}

QM_EXPORT WCHAR* QMAPI QmGetTempStringBuffer(HQMLANG hLang, int cchNeeded) noexcept {
    if (hLang == nullptr || hLang->scratch == nullptr) return nullptr;
    if (cchNeeded < 0 || cchNeeded > hLang->scratchReserve) return nullptr;
    LockScope scope(hLang->Lock());
    if (hLang->scratchPosition > hLang->scratchCapacity - hLang->scratchReserve) hLang->scratchPosition = 0;
    WCHAR* buffer = hLang->scratch + hLang->scratchPosition;
    if (cchNeeded == 0) buffer[0] = 0;
    hLang->scratchPosition = (hLang->scratchPosition + cchNeeded + 2) & ~1;
    return buffer;
}

QM_EXPORT HINSTANCE QMAPI QmLang_InstFromLang(HQMLANG hLang) noexcept {
    if (hLang == nullptr) return nullptr;
    LockScope scope(hLang->Lock());
    return qm::lang::UsesLanguageModule(hLang) ? hLang->languageModule : hLang->instance;
}

QM_EXPORT BOOL QMAPI QmLang_ChangeLangInst(HQMLANG hLang, HINSTANCE module) noexcept {
    HQMLANG kernel = qm::KernelLangHandle();
    if (hLang == nullptr || kernel == nullptr) return FALSE;
    if (module == nullptr) return TRUE;
    ApplyLanguageModule(hLang, module);
    if (kernel != hLang) ApplyLanguageModule(kernel, module);
    return TRUE;
}

QM_EXPORT BOOL QMAPI QmLang_UpdateKernelLCID(HQMLANG hLang, LCID lcid, int /*reserved*/) noexcept {
    HQMLANG kernel = qm::KernelLangHandle();
    if (hLang == nullptr || kernel == nullptr) return FALSE;
    if (lcid == 0) lcid = qm::kEnglishLCID;
    ApplyLcid(hLang, lcid);
    if (kernel != hLang) ApplyLcid(kernel, lcid);
    qm::lang::SetProcessLayoutRTL(QmLang_UseRTL(hLang) != FALSE);
    return TRUE;
}

QM_EXPORT LCID QMAPI QmLang_GetLCID(HQMLANG hLang) noexcept {
    if (hLang == nullptr) return 0;
    LockScope scope(hLang->Lock());
    return hLang->lcid;
}

QM_EXPORT LCID QMAPI QmLang_GetConditionedLCID(LCID lcid) noexcept {
    // The sublanguage is taken from the LANGID alone: sort-order bits above it must not turn a
    // Taiwanese stroke-order LCID into Simplified Chinese.
    const LCID langid = qm::lang::LangIdOf(lcid);
    const LCID primary = langid & 0x3FF;
    const LCID sub = langid >> 10;
    if (primary == 0x04) return (sub == 1 || sub == 3 || sub == 5) ? 0x404 : 0x804;
    if (primary == 0x16) return langid;
    return primary | 0x400;
}

QM_EXPORT BOOL QMAPI QmLang_IsLCIDEnglish(LCID lcid) noexcept {
    return qm::lang::PrimaryLanguage(lcid) == qm::lang::kEnglishPrimary ? TRUE : FALSE;
}

QM_EXPORT BOOL QMAPI QmLang_UseRTL(HQMLANG hLang) noexcept {
    const WORD primary = qm::lang::PrimaryLanguage(QmLang_GetLCID(hLang));
    return (primary == 0x01 || primary == 0x0D || primary == 0x20 || primary == 0x29) ? TRUE : FALSE;
}

QM_EXPORT int QMAPI QmSetLangID(LPCWSTR abbreviation) noexcept {
    WCHAR chars[3] = {'E', 'N', 'U'};
    int length = 3;
    if (abbreviation != nullptr && abbreviation[0] != 0) {
        length = 0;
        while (length < 3 && abbreviation[length] != 0) {
            chars[length] = abbreviation[length];
            ++length;
        }
        for (int i = length; i < 3; ++i) chars[i] = 0;
    }
    g_abbreviation.store(PackAbbreviation(chars[0], chars[1], chars[2]), std::memory_order_release);
    return length;
}

}  // extern "C"
