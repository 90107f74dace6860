// The host's IStream over memory and over a file: what an instance's state save and load rely on.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "streams.h"

namespace qm::host {
namespace {

LARGE_INTEGER Move(LONGLONG value) {
    LARGE_INTEGER move;
    move.QuadPart = value;
    return move;
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("qmvsti_host_") + name)).u8string();
}

// The same semantics hold for both kinds; each case runs over a fresh stream of either kind.
class StreamKinds : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = TempPath(name.c_str());
        if (GetParam()) {
            stream_ = FileStream::Open(path_, FileStream::Mode::Create);
        } else {
            stream_ = MemoryStream::Create();
        }
        ASSERT_NE(stream_, nullptr);
    }
    void TearDown() override {
        if (stream_ != nullptr) stream_->Release();
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::u8path(path_), ignored);
    }
    ULONGLONG Position() {
        ULARGE_INTEGER at;
        at.QuadPart = 12345;
        EXPECT_EQ(stream_->Seek(Move(0), STREAM_SEEK_CUR, &at), S_OK);
        return at.QuadPart;
    }
    std::string path_;
    IStream* stream_ = nullptr;
};

TEST_P(StreamKinds, WrittenBytesReadBackAfterSeekAndShortReadAtTheEnd) {
    const BYTE data[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ULONG done = 99;
    ASSERT_EQ(stream_->Write(data, sizeof(data), &done), S_OK);
    EXPECT_EQ(done, sizeof(data));
    EXPECT_EQ(Position(), 10u);

    ULARGE_INTEGER at;
    ASSERT_EQ(stream_->Seek(Move(-4), STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 6u);
    BYTE back[8] = {};
    ASSERT_EQ(stream_->Read(back, sizeof(back), &done), S_OK);
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(std::vector<BYTE>(back, back + 4), (std::vector<BYTE>{7, 8, 9, 10}));
    // At the end a read gives nothing and is still no error.
    ASSERT_EQ(stream_->Read(back, sizeof(back), &done), S_OK);
    EXPECT_EQ(done, 0u);

    // Overwrite in the middle, then read the whole.
    ASSERT_EQ(stream_->Seek(Move(2), STREAM_SEEK_SET, nullptr), S_OK);
    const BYTE patch[] = {0xAA, 0xBB};
    ASSERT_EQ(stream_->Write(patch, 2, nullptr), S_OK);
    ASSERT_EQ(stream_->Seek(Move(-4), STREAM_SEEK_CUR, nullptr), S_OK);
    BYTE all[10] = {};
    ASSERT_EQ(stream_->Read(all, 10, &done), S_OK);
    EXPECT_EQ(done, 10u);
    EXPECT_EQ(std::vector<BYTE>(all, all + 10), (std::vector<BYTE>{1, 2, 0xAA, 0xBB, 5, 6, 7, 8, 9, 10}));
}

TEST_P(StreamKinds, SeeksBeforeTheStartOrWithAnUnknownOriginFailAndKeepThePosition) {
    const BYTE data[] = {1, 2, 3, 4};
    ASSERT_EQ(stream_->Write(data, 4, nullptr), S_OK);
    ULARGE_INTEGER at;
    at.QuadPart = 77;
    EXPECT_EQ(stream_->Seek(Move(-5), STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(at.QuadPart, 77u) << "a failed seek reports no position";
    EXPECT_EQ(stream_->Seek(Move(-1), STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream_->Seek(Move(-5), STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream_->Seek(Move(0), 7, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(Position(), 4u);
}

TEST_P(StreamKinds, WritePastTheEndLeavesZerosInTheGap) {
    ASSERT_EQ(stream_->Seek(Move(3), STREAM_SEEK_SET, nullptr), S_OK);
    const BYTE data[] = {9};
    ASSERT_EQ(stream_->Write(data, 1, nullptr), S_OK);
    ASSERT_EQ(stream_->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    BYTE all[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ULONG done = 0;
    ASSERT_EQ(stream_->Read(all, 8, &done), S_OK);
    ASSERT_EQ(done, 4u);
    EXPECT_EQ(std::vector<BYTE>(all, all + 4), (std::vector<BYTE>{0, 0, 0, 9}));
}

TEST_P(StreamKinds, NullBuffersAreRefusedAndCountsCleared) {
    ULONG done = 5;
    EXPECT_EQ(stream_->Read(nullptr, 4, &done), E_POINTER);
    EXPECT_EQ(done, 0u);
    done = 5;
    EXPECT_EQ(stream_->Write(nullptr, 4, &done), E_POINTER);
    EXPECT_EQ(done, 0u);
    IStream* clone = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(stream_->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Host, StreamKinds, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "File" : "Memory"; });

TEST(HostFileStream, ReadOnlyFileRefusesWritesAndMissingFileDoesNotOpen) {
    const std::string path = TempPath("readonly.bin");
    {
        FileStream* create = FileStream::Open(path, FileStream::Mode::Create);
        ASSERT_NE(create, nullptr);
        const BYTE data[] = {'Q', 'M', 'S', 'T'};
        ASSERT_EQ(create->Write(data, 4, nullptr), S_OK);
        create->Release();
    }
    FileStream* reader = FileStream::Open(path, FileStream::Mode::Read);
    ASSERT_NE(reader, nullptr);
    ULONG done = 7;
    const BYTE more[] = {1};
    EXPECT_EQ(reader->Write(more, 1, &done), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    BYTE back[4] = {};
    ASSERT_EQ(reader->Read(back, 4, &done), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), 4), "QMST");
    reader->Release();
    std::filesystem::remove(std::filesystem::u8path(path));

    EXPECT_EQ(FileStream::Open(path, FileStream::Mode::Read), nullptr);
    EXPECT_EQ(FileStream::Open(std::filesystem::temp_directory_path().u8string(), FileStream::Mode::Read), nullptr);
}

TEST(HostMemoryStream, StartsWithGivenBytesAndAnswersForIStreamOnly) {
    MemoryStream* stream = MemoryStream::Create({5, 6, 7});
    BYTE back[3] = {};
    ULONG done = 0;
    ASSERT_EQ(stream->Read(back, 3, &done), S_OK);
    EXPECT_EQ(std::vector<BYTE>(back, back + 3), (std::vector<BYTE>{5, 6, 7}));
    const IID iidStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    const IID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    void* out = nullptr;
    ASSERT_EQ(stream->QueryInterface(iidStream, &out), S_OK);
    EXPECT_EQ(out, static_cast<IStream*>(stream));
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->QueryInterface(other, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(stream->Release(), 0u);
}

}  // namespace
}  // namespace qm::host
