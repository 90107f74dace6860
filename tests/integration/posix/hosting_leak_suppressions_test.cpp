// A plug-in that faults while it is being loaded is abandoned, never closed: its half-built object is
// leaked on purpose (calling into it again could crash the host). LeakSanitizer is told so for what
// those plug-ins allocated under the loader's guarded frame, where the loader itself allocates nothing.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:qm::CVSTiSofthSynth::BindInsideGuard\n";
}
