/* Calling conventions and export markers of the ABI.
 *
 * On 32-bit Windows the host calls COM slots and its own callbacks with __stdcall; the exported
 * factory and the framework's flat functions are __cdecl; VST 2 entry points, dispatcher, process
 * and host callback are cdecl by definition. On Linux x86_64 there is one convention and every
 * macro compiles away. */
#ifndef QMVSTI_CALLCONV_H
#define QMVSTI_CALLCONV_H

#if defined(_WIN32)
#  define QM_STDCALL __stdcall
#  define QM_CDECL __cdecl
/* Exports of the DLL are pinned by its .def file. */
#  define QM_EXPORT
#else
#  define QM_STDCALL
#  define QM_CDECL
/* The shared object is built with hidden visibility; exports are marked and pinned by a version script. */
#  define QM_EXPORT __attribute__((visibility("default")))
#endif

/* COM slots and the host callbacks handed to Open (instance site, MIDI input port). */
#define QM_COMCALL QM_STDCALL
/* The framework's flat functions and the module's undecorated exports. */
#define QMAPI QM_CDECL
/* VST 2 functions: entry point, dispatcher, process, processReplacing, setParameter, getParameter,
 * and the host callback (audioMasterCallback). */
#define VSTCALLBACK QM_CDECL

#ifdef __cplusplus
#  define QM_EXTERN_C extern "C"
#else
#  define QM_EXTERN_C
#endif

#endif
