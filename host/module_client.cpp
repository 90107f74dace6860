#include "module_client.h"

#include "host_os.h"
#include "qmvsti/guids.h"

namespace qm::host {

namespace {
// Exported undecorated and __cdecl on every target.
typedef HRESULT(QMAPI* CreateDriverClassFn)(void** out);
constexpr const char* kFactoryName = "QmMIDIDriver_CreateDriverClass";
}  // namespace

DriverModule::~DriverModule() { OsUnloadModule(module_); }

bool DriverModule::Load(const std::string& utf8Path, std::string* error) {
    module_ = OsLoadModule(utf8Path, error);
    if (module_ == nullptr) return false;
    factory_ = OsFindSymbol(module_, kFactoryName);
    if (factory_ == nullptr) {
        if (error != nullptr) *error = utf8Path + " does not export " + kFactoryName;
        OsUnloadModule(module_);
        module_ = nullptr;
        return false;
    }
    return true;
}

void* DriverModule::Symbol(const char* name) const {
    return module_ != nullptr ? OsFindSymbol(module_, name) : nullptr;
}

IQmSoftSynthType* DriverModule::CreateType(std::string* error) {
    if (factory_ == nullptr) {
        if (error != nullptr) *error = "the library is not loaded";
        return nullptr;
    }
    void* object = nullptr;
    const HRESULT hr = reinterpret_cast<CreateDriverClassFn>(factory_)(&object);
    if (FAILED(hr) || object == nullptr) {
        if (error != nullptr) *error = "the library's driver class could not be created";
        return nullptr;
    }
    IMIDIClass* driver = static_cast<IMIDIClass*>(object);
    void* type = nullptr;
    const HRESULT qi = driver->QueryInterface(IID_IQmSoftSynthType, &type);
    driver->Release();
    if (FAILED(qi) || type == nullptr) {
        if (error != nullptr) *error = "the library's driver class is not a soft-synth type";
        return nullptr;
    }
    return static_cast<IQmSoftSynthType*>(type);
}

}  // namespace qm::host
