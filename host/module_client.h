// The library as a host sees it: a module loaded at run time whose exported factory hands out the
// driver class, which is also the soft-synth type.
#pragma once
#include <string>

#include "qmvsti/midi_class.h"

namespace qm::host {

class DriverModule {
public:
    DriverModule() = default;
    DriverModule(const DriverModule&) = delete;
    DriverModule& operator=(const DriverModule&) = delete;
    ~DriverModule();

    // Loads the module and finds its factory; false with a reason.
    bool Load(const std::string& utf8Path, std::string* error);
    // Calls the factory and asks for the soft-synth type; one reference for the caller, or null.
    IQmSoftSynthType* CreateType(std::string* error);
    // One of the library's exports (its framework functions), or null.
    void* Symbol(const char* name) const;

private:
    void* module_ = nullptr;
    void* factory_ = nullptr;
};

}  // namespace qm::host
