#include <gtest/gtest.h>

#include "hosting/property_pages_provider.h"
#include "qmvsti/guids.h"

using qm::CSpecifyPropertyPages;

namespace {

GUID PageOf(CSpecifyPropertyPages::Owner owner) {
    int ownerObject = 0;
    CSpecifyPropertyPages* pages = CSpecifyPropertyPages::Create(owner, &ownerObject);
    pages->AddRef();
    CAUUID ids{};
    EXPECT_EQ(pages->GetPages(&ids), S_OK);
    EXPECT_EQ(ids.cElems, 1u);
    const GUID page = ids.pElems[0];
    CoTaskMemFree(ids.pElems);
    EXPECT_EQ(pages->Release(), 0u);
    return page;
}

}  // namespace

TEST(SpecifyPropertyPages, NamesThePageOfItsOwner) {
    EXPECT_TRUE(IsEqualGUID(PageOf(CSpecifyPropertyPages::Owner::Instance), qm::CLSID_VSTiSynthPage));
    EXPECT_TRUE(IsEqualGUID(PageOf(CSpecifyPropertyPages::Owner::Type), qm::CLSID_VSTiTypePage));
}

TEST(SpecifyPropertyPages, WithoutOwnerOrArgumentItRefuses) {
    int ownerObject = 0;
    CSpecifyPropertyPages* pages = CSpecifyPropertyPages::Create(CSpecifyPropertyPages::Owner::Instance, &ownerObject);
    pages->AddRef();
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
    pages->ClearOwner();
    CAUUID ids{7, reinterpret_cast<GUID*>(&ownerObject)};
    EXPECT_EQ(pages->GetPages(&ids), E_UNEXPECTED);
    EXPECT_EQ(ids.cElems, 0u);
    EXPECT_EQ(ids.pElems, nullptr);
    void* unknown = nullptr;
    EXPECT_EQ(pages->QueryInterface(qm::IID_IMIDIClass, &unknown), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    EXPECT_EQ(pages->QueryInterface(IID_ISpecifyPropertyPages, &unknown), S_OK);
    EXPECT_EQ(unknown, static_cast<ISpecifyPropertyPages*>(pages));
    EXPECT_EQ(pages->Release(), 1u);
    EXPECT_EQ(pages->Release(), 0u);
}
