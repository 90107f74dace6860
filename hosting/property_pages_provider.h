// CSpecifyPropertyPages: the ISpecifyPropertyPages companion of an instance or of the type. It names
// the one property page of its owner; the owner clears the link in its teardown.
#pragma once
#include <atomic>

#include "qmvsti/com.h"

namespace qm {

class CSpecifyPropertyPages final : public ISpecifyPropertyPages {
public:
    enum class Owner { None, Instance, Type };

    // A new object with count 0 (the creator takes the first reference), or null without memory.
    static CSpecifyPropertyPages* Create(Owner owner, void* ownerObject) noexcept;

    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    // One page id in a CoTaskMemAlloc'ed array (the caller frees it): the instance page for an
    // instance, the type page for a type; E_UNEXPECTED without an owner, E_POINTER for null.
    HRESULT QM_COMCALL GetPages(CAUUID* pages) noexcept override;

    void ClearOwner() noexcept;
    void* OwnerObject() const noexcept { return ownerObject_; }

private:
    CSpecifyPropertyPages(Owner owner, void* ownerObject) noexcept : owner_(owner), ownerObject_(ownerObject) {}
    ~CSpecifyPropertyPages() = default;

    std::atomic<ULONG> refs_{0};
    Owner owner_;
    void* ownerObject_;
};

}  // namespace qm
