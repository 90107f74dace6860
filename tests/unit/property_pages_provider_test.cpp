// The property-page provider's own rules (the pages each owner names are the instance and type tests'
// part): outputs are cleared when it refuses, and it answers only for its own interface.
#include <gtest/gtest.h>

#include "hosting/property_pages_provider.h"
#include "qmvsti/guids.h"

using qm::CSpecifyPropertyPages;

TEST(SpecifyPropertyPages, ClearsWhatItRefusesAndAnswersOnlyForItsInterface) {
    int ownerObject = 0;
    CSpecifyPropertyPages* pages = CSpecifyPropertyPages::Create(CSpecifyPropertyPages::Owner::Instance, &ownerObject);
    pages->AddRef();
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
    void* unknown = &ownerObject;
    EXPECT_EQ(pages->QueryInterface(qm::IID_IMIDIClass, &unknown), E_NOINTERFACE);
    EXPECT_EQ(unknown, nullptr);
    pages->ClearOwner();
    CAUUID ids{7, reinterpret_cast<GUID*>(&ownerObject)};
    EXPECT_EQ(pages->GetPages(&ids), E_UNEXPECTED);
    EXPECT_EQ(ids.cElems, 0u);
    EXPECT_EQ(ids.pElems, nullptr);
    EXPECT_EQ(pages->Release(), 0u);
}
