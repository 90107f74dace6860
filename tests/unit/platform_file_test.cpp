#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/file.h"
#include "platform/module.h"
#include "platform/text.h"

using namespace qm::platform;

namespace {

// A file beside the test program, so both targets write where the build tree is.
std::basic_string<WCHAR> ScratchPath(const char* name) {
    WCHAR self[1024];
    ModulePathOf(reinterpret_cast<const void*>(&ScratchPath), self, 1024);
    std::basic_string<WCHAR> path(self);
    const size_t slash = path.find_last_of(QMW("/\\"));
    path.resize(slash + 1);
    for (const char* p = name; *p; ++p) path.push_back(static_cast<WCHAR>(*p));
    return path;
}

}  // namespace

TEST(PlatformFile, WriteSeekReadRoundTripsBytes) {
    const auto path = ScratchPath("platform_file_test.bin");
    File file;
    ASSERT_EQ(file.Open(path.c_str(), FileMode::Write), S_OK);
    const unsigned char data[] = {0x00, 0xFF, 0x10, 0x80, 'V', 's', 't', 'P'};
    uint32_t done = 0;
    EXPECT_EQ(file.Write(data, sizeof data, &done), S_OK);
    EXPECT_EQ(done, sizeof data);
    file.Close();

    ASSERT_EQ(file.Open(path.c_str(), FileMode::Read), S_OK);
    uint64_t size = 0;
    EXPECT_EQ(file.Size(&size), S_OK);
    EXPECT_EQ(size, sizeof data);
    uint64_t position = 0;
    EXPECT_EQ(file.Seek(4, SeekFrom::Begin, &position), S_OK);
    EXPECT_EQ(position, 4u);
    unsigned char back[16] = {};
    EXPECT_EQ(file.Read(back, sizeof back, &done), S_OK);
    EXPECT_EQ(done, 4u);  // a short read at the end is not an error
    EXPECT_EQ(std::memcmp(back, "VstP", 4), 0);
    EXPECT_EQ(file.Seek(-2, SeekFrom::End, &position), S_OK);
    EXPECT_EQ(position, 6u);
    file.Close();
    EXPECT_TRUE(FileExists(path.c_str()));
    EXPECT_EQ(DeleteFilePath(path.c_str()), S_OK);
    EXPECT_FALSE(FileExists(path.c_str()));
}

TEST(PlatformFile, ErrorsComeBackAsResults) {
    File file;
    EXPECT_EQ(file.Open(nullptr, FileMode::Read), E_INVALIDARG);
    const auto missing = ScratchPath("no_such_file.bin");
    EXPECT_EQ(file.Open(missing.c_str(), FileMode::Read), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(file.IsOpen());
    uint32_t done = 99;
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, 4, &done), HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    EXPECT_EQ(done, 0u);
    EXPECT_LT(DeleteFilePath(missing.c_str()), 0);
}

TEST(PlatformModule, LoadsTheModuleBesideTheTestsAndFindsNothingMissing) {
    WCHAR self[1024];
    ASSERT_GT(ModulePathOf(reinterpret_cast<const void*>(&ScratchPath), self, 1024), 0u);
    EXPECT_EQ(ModulePathOf(reinterpret_cast<const void*>(&ScratchPath), self, 2), 0u);  // too small: nothing
    EXPECT_EQ(self[0], 0);
    EXPECT_EQ(ProbeModule(nullptr), nullptr);
    const auto missing = ScratchPath("no_such_module.bin");
    EXPECT_EQ(LoadModule(missing.c_str()), nullptr);
    EXPECT_NE(LastModuleError(), 0u);
    EXPECT_EQ(FindSymbol(nullptr, "main"), nullptr);
    UnloadModule(nullptr);  // harmless
}
