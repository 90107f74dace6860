#include "qmfault/fault_plan.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include "common/environment.h"
#include "protocol.h"

namespace qmtest {

namespace {

const char* const kSiteNames[] = {"", "entry", "dispatcher", "process", "processReplacing",
                                  "setParameter", "getParameter"};
const char* const kKindNames[] = {"", "av", "intdiv", "fpdiv", "fpinvalid", "fpoverflow", "illegal",
                                  "breakpoint", "raise", "stackoverflow", "cppthrow", "handled", "abort",
                                  "terminate"};

bool Equals(const char* text, size_t length, const char* word) {
    return std::strlen(word) == length && std::strncmp(text, word, length) == 0;
}

template <typename Enum, size_t N>
bool Lookup(const char* const (&names)[N], const char* text, size_t length, Enum* out) {
    for (size_t i = 1; i < N; ++i) {
        if (Equals(text, length, names[i])) {
            *out = static_cast<Enum>(i);
            return true;
        }
    }
    return false;
}

bool ParseNumber(const char* text, size_t length, int64_t* out) {
    char digits[24];
    if (length == 0 || length >= sizeof digits) return false;
    std::memcpy(digits, text, length);
    digits[length] = '\0';
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(digits, &end, 0);
    if (errno != 0 || *end != '\0') return false;
    *out = value;
    return true;
}

}  // namespace

bool FaultPlan::selects(FaultSite where, int32_t callOpcode, int32_t callIndex) const {
    if (kind == FaultKind::None || site != where) return false;
    if (where == FaultSite::Dispatcher && !anyOpcode && opcode != callOpcode) return false;
    const bool indexed = where == FaultSite::Dispatcher || where == FaultSite::SetParameter ||
                         where == FaultSite::GetParameter;
    return !indexed || anyIndex || index == callIndex;
}

bool ParseFaultPlan(const char* text, FaultPlan* plan) {
    *plan = FaultPlan{};
    if (!text) return false;
    FaultPlan parsed;
    const char* cursor = text;
    while (*cursor) {
        const char* end = std::strchr(cursor, ';');
        const size_t length = end ? static_cast<size_t>(end - cursor) : std::strlen(cursor);
        const char* equals = static_cast<const char*>(std::memchr(cursor, '=', length));
        if (length > 0) {
            if (!equals) return false;
            const size_t keyLength = static_cast<size_t>(equals - cursor);
            const char* value = equals + 1;
            const size_t valueLength = length - keyLength - 1;
            int64_t number = 0;
            if (Equals(cursor, keyLength, "where")) {
                if (!Lookup(kSiteNames, value, valueLength, &parsed.site)) return false;
            } else if (Equals(cursor, keyLength, "kind")) {
                if (!Lookup(kKindNames, value, valueLength, &parsed.kind)) return false;
            } else if (Equals(cursor, keyLength, "opcode")) {
                if (!ParseNumber(value, valueLength, &number)) return false;
                parsed.anyOpcode = false;
                parsed.opcode = static_cast<int32_t>(number);
            } else if (Equals(cursor, keyLength, "index")) {
                if (!ParseNumber(value, valueLength, &number)) return false;
                parsed.anyIndex = false;
                parsed.index = static_cast<int32_t>(number);
            } else if (Equals(cursor, keyLength, "after")) {
                if (!ParseNumber(value, valueLength, &number) || number < 0) return false;
                parsed.after = number;
            } else {
                return false;
            }
        }
        cursor += length;
        if (*cursor == ';') ++cursor;
    }
    if (parsed.site == FaultSite::None || parsed.kind == FaultKind::None) return false;
    *plan = parsed;
    return true;
}

bool ReadFaultPlan(FaultPlan* plan) {
    char text[256];
    if (!ReadEnvironment(kFaultPlanVariable, text, sizeof text)) {
#ifdef QMFAULT_BUILT_IN
        // A variant with its plan built in faults without the variable, so that several fault
        // modules can sit side by side in one folder a scan walks: 1 in the entry point, 2 in effOpen.
        static const char* const kBuiltIn[] = {"", "where=entry;kind=av", "where=dispatcher;opcode=0;kind=av"};
        return ParseFaultPlan(kBuiltIn[QMFAULT_BUILT_IN], plan);
#endif
        *plan = FaultPlan{};
        return false;
    }
    return ParseFaultPlan(text, plan);
}

const char* FaultSiteName(FaultSite site) { return kSiteNames[static_cast<int>(site)]; }
const char* FaultKindName(FaultKind kind) { return kKindNames[static_cast<int>(kind)]; }

}  // namespace qmtest
