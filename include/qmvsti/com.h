/* COM basics of the ABI: the Windows SDK's own declarations on Windows, an equivalent with the
 * same layout on Linux so that the core and the host compile unchanged. */
#ifndef QMVSTI_COM_H
#define QMVSTI_COM_H

#include "callconv.h"

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  include <windows.h>
#  include <objbase.h>
#  include <objidl.h>
#  include <mmreg.h>
/* Property pages: IPropertyPage, IPropertyPageSite, ISpecifyPropertyPages, PROPPAGEINFO, CAUUID. */
#  include <ocidl.h>
#else
#  include <stddef.h>
#  include <stdint.h>
#  include <string.h>

typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int32_t BOOL;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t HRESULT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef intptr_t LRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef uint32_t LCID;
/* Host wide strings are UTF-16 on both targets. */
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HINSTANCE;
typedef void* HWND;
typedef void* HKEY;

#  ifndef TRUE
#    define TRUE 1
#  endif
#  ifndef FALSE
#    define FALSE 0
#  endif

typedef union _LARGE_INTEGER {
    struct { DWORD LowPart; LONG HighPart; } u;
    LONGLONG QuadPart;
} LARGE_INTEGER;
typedef union _ULARGE_INTEGER {
    struct { DWORD LowPart; DWORD HighPart; } u;
    ULONGLONG QuadPart;
} ULARGE_INTEGER;

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
#  ifdef __cplusplus
#    define REFIID const IID&
#    define REFCLSID const CLSID&
#    define REFGUID const GUID&
inline bool IsEqualGUID(REFGUID a, REFGUID b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
#    define IsEqualIID(a, b) IsEqualGUID(a, b)
#  endif

#  define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#  define FAILED(hr) (((HRESULT)(hr)) < 0)
#  define S_OK ((HRESULT)0)
#  define S_FALSE ((HRESULT)1)
#  define E_NOTIMPL ((HRESULT)0x80004001L)
#  define E_NOINTERFACE ((HRESULT)0x80004002L)
#  define E_POINTER ((HRESULT)0x80004003L)
#  define E_FAIL ((HRESULT)0x80004005L)
#  define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#  define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#  define E_INVALIDARG ((HRESULT)0x80070057L)
#  define STG_E_INVALIDFUNCTION ((HRESULT)0x80030001L)
#  define STG_E_MEDIUMFULL ((HRESULT)0x80030070L)
#  define FACILITY_WIN32 7
#  define HRESULT_FROM_WIN32(x) \
    ((HRESULT)(x) <= 0 ? (HRESULT)(x) : (HRESULT)(((x) & 0x0000FFFF) | (FACILITY_WIN32 << 16) | 0x80000000))
#  define ERROR_SUCCESS 0L
#  define ERROR_FILE_NOT_FOUND 2L
#  define ERROR_ACCESS_DENIED 5L
#  define ERROR_INVALID_HANDLE 6L
#  define ERROR_NOT_ENOUGH_MEMORY 8L
#  define ERROR_INVALID_DATA 13L
#  define ERROR_WRITE_FAULT 29L
#  define ERROR_READ_FAULT 30L
#  define ERROR_INVALID_PARAMETER 87L
#  define ERROR_INSUFFICIENT_BUFFER 122L
#  define ERROR_MORE_DATA 234L
#  define ERROR_NO_MORE_ITEMS 259L

#  define STREAM_SEEK_SET 0
#  define STREAM_SEEK_CUR 1
#  define STREAM_SEEK_END 2

#  ifdef __cplusplus
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

/* Only the slots the library calls are used; the rest keep their place in the table. */
struct ISequentialStream : IUnknown {
    virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};
struct IStream : ISequentialStream {
    virtual HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
    virtual HRESULT SetSize(ULARGE_INTEGER libNewSize) = 0;
    virtual HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) = 0;
    virtual HRESULT Commit(DWORD grfCommitFlags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT Stat(void* pstatstg, DWORD grfStatFlag) = 0;
    virtual HRESULT Clone(IStream** ppstm) = 0;
};
#  endif

/* Property pages, as far as the type page and the instance page need them. Slot order follows the
 * Windows declarations so that a page and its site talk the same table on both targets. */
typedef WCHAR* LPOLESTR;
typedef const WCHAR* LPCOLESTR;
typedef struct tagPOINT { LONG x; LONG y; } POINT;
typedef struct tagSIZE { LONG cx; LONG cy; } SIZE;
typedef struct tagRECT { LONG left; LONG top; LONG right; LONG bottom; } RECT;
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;
typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;
typedef MSG* LPMSG;
typedef struct tagCAUUID { ULONG cElems; GUID* pElems; } CAUUID;
typedef struct tagPROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;
    SIZE size;
    LPOLESTR pszDocString;
    LPOLESTR pszHelpFile;
    DWORD dwHelpContext;
} PROPPAGEINFO;
#  define PROPPAGESTATUS_DIRTY 0x1
#  define PROPPAGESTATUS_VALIDATE 0x2
#  define PROPPAGESTATUS_CLEAN 0x4

#  ifdef __cplusplus
struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(DWORD dwFlags) = 0;
    virtual HRESULT GetLocaleID(LCID* pLocaleID) = 0;
    virtual HRESULT GetPageContainer(IUnknown** ppUnk) = 0;
    virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;
};
struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* pPageSite) = 0;
    virtual HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) = 0;
    virtual HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
    virtual HRESULT Show(UINT nCmdShow) = 0;
    virtual HRESULT Move(LPCRECT pRect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(LPCOLESTR pszHelpDir) = 0;
    virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;
};
struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pPages) = 0;
};

/* The standard interface ids that the Windows SDK's uuid library supplies there. */
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IPropertyPage = {0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IPropertyPageSite = {0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_ISpecifyPropertyPages = {0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
#  endif

typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} __attribute__((packed, aligned(2))) WAVEFORMATEX;

#  define WAVE_FORMAT_PCM 1
#  define WAVE_FORMAT_IEEE_FLOAT 3
#  define WAVE_FORMAT_EXTENSIBLE 0xFFFE

typedef struct {
    WAVEFORMATEX Format;
    union { WORD wValidBitsPerSample; WORD wSamplesPerBlock; WORD wReserved; } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
} __attribute__((packed, aligned(2))) WAVEFORMATEXTENSIBLE;

/* Memory handed across the interface: strings and blocks the other side frees. Every module of a
 * Linux process shares the C heap, so the task allocator is that heap. */
#  include <stdlib.h>
static inline void* CoTaskMemAlloc(size_t cb) { return malloc(cb ? cb : 1); }
static inline void CoTaskMemFree(void* pv) { free(pv); }
#endif /* !_WIN32 */

/* Wide (UTF-16) string literal of the host's WCHAR type on both targets. */
#if defined(_WIN32)
#  define QMW_(s) L##s
#else
#  define QMW_(s) u##s
#endif
#define QMW(s) QMW_(s)

/* The component's own result codes. */
#define QM_E_NOT_OPENED ((HRESULT)0x8004E001L)
#define QM_E_PLUGIN_EXCEPTION ((HRESULT)0x8004E017L)
#define QM_E_STATE_VERSION ((HRESULT)0x8004E01CL)
#define QM_E_NO_SUCH_SETTING ((HRESULT)0x8004E00AL)
#define QM_E_BUFFER_TOO_SMALL ((HRESULT)0x8004E03CL)
#define QM_E_MIDI_PORT ((HRESULT)0x80040964L)
#define QM_S_NOTHING_RENDERED ((HRESULT)0x0004E012L)
#define QM_S_FILE_NOT_FOR_PLUGIN ((HRESULT)0x0004E009L)
#define QM_S_STATE_NOT_FOR_PLUGIN ((HRESULT)0x0004E001L)

#endif
