#include "hosting/property_pages_provider.h"

#include <new>

#include "qmvsti/guids.h"

namespace qm {

CSpecifyPropertyPages* CSpecifyPropertyPages::Create(Owner owner, void* ownerObject) noexcept {
    return new (std::nothrow) CSpecifyPropertyPages(owner, ownerObject);
}

HRESULT CSpecifyPropertyPages::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ISpecifyPropertyPages)) {
        *ppv = static_cast<ISpecifyPropertyPages*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CSpecifyPropertyPages::AddRef() noexcept { return ++refs_; }

ULONG CSpecifyPropertyPages::Release() noexcept {
    const ULONG count = --refs_;
    if (count == 0) delete this;
    return count;
}

HRESULT CSpecifyPropertyPages::GetPages(CAUUID* pages) noexcept {
    if (pages == nullptr) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    const GUID* page = nullptr;
    if (ownerObject_ != nullptr && owner_ == Owner::Instance) page = &CLSID_VSTiSynthPage;
    if (ownerObject_ != nullptr && owner_ == Owner::Type) page = &CLSID_VSTiTypePage;
    if (page == nullptr) return E_UNEXPECTED;
    auto* array = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (array == nullptr) return E_OUTOFMEMORY;
    *array = *page;
    pages->cElems = 1;
    pages->pElems = array;
    return S_OK;
}

void CSpecifyPropertyPages::ClearOwner() noexcept {
    ownerObject_ = nullptr;
    owner_ = Owner::None;
}

}  // namespace qm
