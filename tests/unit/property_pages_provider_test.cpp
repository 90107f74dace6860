// The property-page provider names the page of its owner, refuses once the owner is gone, and
// answers only for its own interface.
#include <gtest/gtest.h>

#include "hosting/property_pages_provider.h"
#include "qmvsti/guids.h"

using qm::CSpecifyPropertyPages;

TEST(SpecifyPropertyPages, NamesThePageOfItsOwnerAndRefusesWithout) {
    int ownerObject = 0;
    for (const auto& [owner, page] : {std::pair{CSpecifyPropertyPages::Owner::Instance, qm::CLSID_VSTiSynthPage},
                                      {CSpecifyPropertyPages::Owner::Type, qm::CLSID_VSTiTypePage}}) {
        CSpecifyPropertyPages* pages = CSpecifyPropertyPages::Create(owner, &ownerObject);
        pages->AddRef();
        CAUUID ids{};
        EXPECT_EQ(pages->GetPages(&ids), S_OK);
        ASSERT_EQ(ids.cElems, 1u);
        EXPECT_TRUE(IsEqualGUID(ids.pElems[0], page));
        CoTaskMemFree(ids.pElems);
        EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
        void* unknown = nullptr;
        EXPECT_EQ(pages->QueryInterface(qm::IID_IMIDIClass, &unknown), E_NOINTERFACE);
        EXPECT_EQ(unknown, nullptr);
        EXPECT_EQ(pages->QueryInterface(IID_ISpecifyPropertyPages, &unknown), S_OK);
        EXPECT_EQ(unknown, static_cast<ISpecifyPropertyPages*>(pages));
        EXPECT_EQ(pages->Release(), 1u);
        pages->ClearOwner();
        ids = CAUUID{7, reinterpret_cast<GUID*>(&ownerObject)};
        EXPECT_EQ(pages->GetPages(&ids), E_UNEXPECTED);
        EXPECT_EQ(ids.cElems, 0u);
        EXPECT_EQ(ids.pElems, nullptr);
        EXPECT_EQ(pages->Release(), 0u);
    }
}
