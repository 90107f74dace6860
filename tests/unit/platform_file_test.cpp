// Files and modules of the platform layer: bytes round-trip, errors come back as results.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/file.h"
#include "platform/module.h"

using namespace qm::platform;

namespace {

// A path beside the test program, so both targets write where the build tree is.
std::basic_string<WCHAR> ScratchPath(const char* name) {
    WCHAR self[1024];
    ModulePathOf(reinterpret_cast<const void*>(&ScratchPath), self, 1024);
    std::basic_string<WCHAR> path(self);
    path.resize(path.find_last_of(QMW("/\\")) + 1);
    for (const char* p = name; *p; ++p) path.push_back(static_cast<WCHAR>(*p));
    return path;
}

}  // namespace

TEST(PlatformFile, WriteSeekReadRoundTripsBytesAndErrorsComeBackAsResults) {
    const auto path = ScratchPath("platform_file_test.bin");
    File file;
    ASSERT_EQ(file.Open(path.c_str(), FileMode::Write), S_OK);
    const unsigned char data[] = {0x00, 0xFF, 0x10, 0x80, 'V', 's', 't', 'P'};
    uint32_t done = 0;
    EXPECT_EQ(file.Write(data, sizeof data, &done), S_OK);
    EXPECT_EQ(done, sizeof data);
    file.Close();
    ASSERT_EQ(file.Open(path.c_str(), FileMode::Read), S_OK);
    uint64_t size = 0, position = 0;
    EXPECT_EQ(file.Size(&size), S_OK);
    EXPECT_EQ(size, sizeof data);
    EXPECT_EQ(file.Seek(4, SeekFrom::Begin, &position), S_OK);
    EXPECT_EQ(position, 4u);
    unsigned char back[16] = {};
    EXPECT_EQ(file.Read(back, sizeof back, &done), S_OK);
    EXPECT_EQ(done, 4u);  // a short read at the end is not an error
    EXPECT_EQ(std::memcmp(back, "VstP", 4), 0);
    EXPECT_EQ(file.Seek(-2, SeekFrom::End, &position), S_OK);
    EXPECT_EQ(position, 6u);
    file.Close();
    EXPECT_EQ(DeleteFilePath(path.c_str()), S_OK);
    EXPECT_FALSE(FileExists(path.c_str()));

    EXPECT_EQ(file.Open(nullptr, FileMode::Read), E_INVALIDARG);
    EXPECT_EQ(file.Open(path.c_str(), FileMode::Read), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file.IsOpen());
    done = 99;
    EXPECT_EQ(file.Read(back, 4, &done), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(done, 0u);
    EXPECT_LT(DeleteFilePath(path.c_str()), 0);

    WCHAR self[1024];
    EXPECT_EQ(ModulePathOf(reinterpret_cast<const void*>(&ScratchPath), self, 2), 0u);  // too small: nothing
    EXPECT_EQ(self[0], 0);
    EXPECT_EQ(LoadModule(path.c_str()), nullptr);
    EXPECT_NE(LastModuleError(), 0u);
    EXPECT_EQ(FindSymbol(nullptr, "main"), nullptr);
}
