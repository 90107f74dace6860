// How the soft-synth type makes instances. The type decides which record to create from and what
// to tell the new instance; the maker builds the instance itself. The plug-in maker builds a
// CVSTiSofthSynth (hosting/) and loads the record's module into it; a test can hand the type a
// maker of its own.
#pragma once
#include "hosting/synth_type_link.h"
#include "qmvsti/host_structures.h"

namespace qm {

class ISynthMaker {
public:
    // Create-for-record: constructs and initialises an instance for `type`, takes a reference and
    // loads the record's plug-in (which writes vendor, versions, IDs and flag bits into `record`).
    // S_OK: *instance holds that one reference. Otherwise *instance is null and the code returned
    // (S_FALSE when the module is no loadable plug-in).
    virtual HRESULT CreateForRecord(ISynthTypeLink* type, VstiPluginRecord* record, IUnknown** instance) noexcept = 0;
    // The editor of the instance must not be resized by the plug-in.
    virtual void SetNoSizeWindow(IUnknown* instance, bool noSizeWindow) noexcept = 0;
    // The instance's identity in the host's plug-in manager cache.
    virtual void SetManagerId(IUnknown* instance, const GUID& managerId) noexcept = 0;

protected:
    ~ISynthMaker() = default;
};

// The maker of real instances: CVSTiSofthSynth with the plug-in module loaded.
ISynthMaker& PlugInSynthMaker() noexcept;

}  // namespace qm
