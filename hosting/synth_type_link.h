// What an instance asks of the soft-synth type that created it. The type implements it; the instance
// keeps a plain pointer (no reference), as the type outlives every instance it creates.
#pragma once
#include <cstdint>

#include "qmvsti/com.h"

namespace qm {

class ISynthTypeLink {
public:
    // Render block duration in 100-ns units ("FrameSize", default 60000 = 6 ms).
    virtual int64_t FrameSizeDuration() const noexcept = 0;
    // Blocks rendered without events after the All Notes Off blocks at Stop ("FlushOnStopCount").
    virtual uint32_t FlushOnStopCount() const noexcept = 0;
    // Extra plug-in outputs are offered as buses ("ExposeMultiChannel").
    virtual bool ExposeMultiChannel() const noexcept = 0;
    // A plug-in with two or more outputs that does not describe pin 0 gets a stereo main pair
    // ("AssumeStereoPins"); off, such a plug-in's main output is mono.
    virtual bool AssumeStereoPins() const noexcept { return false; }
    // The editor-sizing query: true when the plug-in record matching this module (same-module rule)
    // carries the alternative-drawing mark, i.e. its editor must not be resized.
    virtual bool HasAlternativeDrawingMark(const WCHAR* displayName, const WCHAR* path, int32_t uniqueId) noexcept = 0;

protected:
    ~ISynthTypeLink() = default;
};

}  // namespace qm
