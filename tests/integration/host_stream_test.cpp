// The host's IStream over memory and over a file: what an instance's state save and load rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "streams.h"
#include "support/environment.h"

namespace qm::host {
namespace {

LARGE_INTEGER Move(LONGLONG value) {
    LARGE_INTEGER move;
    move.QuadPart = value;
    return move;
}

std::vector<BYTE> ReadAll(IStream* stream, ULONG most) {
    std::vector<BYTE> bytes(most);
    ULONG done = 99;
    EXPECT_EQ(stream->Read(bytes.data(), most, &done), S_OK);
    bytes.resize(done);
    return bytes;
}

// The same semantics hold for both kinds: memory (false) and a created file (true).
class StreamKinds : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        path_ = qm::test::TemporaryFilePath("host-stream", "bin");
        stream_ = GetParam() ? static_cast<IStream*>(FileStream::Open(path_, FileStream::Mode::Create))
                             : static_cast<IStream*>(MemoryStream::Create());
        ASSERT_NE(stream_, nullptr);
    }
    void TearDown() override {
        if (stream_ != nullptr) stream_->Release();
        qm::test::RemoveFile(path_);
    }
    std::string path_;
    IStream* stream_ = nullptr;
};

TEST_P(StreamKinds, WritesReadBackAfterSeeksAndReadsStopAtTheEnd) {
    // A write past the end leaves zeros in the gap.
    ASSERT_EQ(stream_->Seek(Move(3), STREAM_SEEK_SET, nullptr), S_OK);
    const BYTE data[] = {4, 5, 6, 7, 8, 9, 10};
    ULONG done = 99;
    ASSERT_EQ(stream_->Write(data, sizeof(data), &done), S_OK);
    EXPECT_EQ(done, sizeof(data));
    ULARGE_INTEGER at;
    ASSERT_EQ(stream_->Seek(Move(-4), STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 6u);
    EXPECT_EQ(ReadAll(stream_, 8), (std::vector<BYTE>{7, 8, 9, 10}));
    EXPECT_EQ(ReadAll(stream_, 8), std::vector<BYTE>{});  // at the end: nothing, and no error

    ASSERT_EQ(stream_->Seek(Move(-8), STREAM_SEEK_CUR, nullptr), S_OK);
    const BYTE patch[] = {0xAA, 0xBB};
    ASSERT_EQ(stream_->Write(patch, 2, nullptr), S_OK);
    ASSERT_EQ(stream_->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(stream_, 16), (std::vector<BYTE>{0, 0, 0xAA, 0xBB, 5, 6, 7, 8, 9, 10}));

    // Seeks before the start or from an unknown origin fail, report nothing and keep the position.
    at.QuadPart = 77;
    EXPECT_EQ(stream_->Seek(Move(-11), STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(at.QuadPart, 77u);
    EXPECT_EQ(stream_->Seek(Move(-1), STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream_->Seek(Move(-11), STREAM_SEEK_END, nullptr), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream_->Seek(Move(0), 7, nullptr), STG_E_INVALIDFUNCTION);
    ASSERT_EQ(stream_->Seek(Move(0), STREAM_SEEK_CUR, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 10u);

    // Null buffers are refused with the counts cleared.
    done = 5;
    EXPECT_EQ(stream_->Read(nullptr, 4, &done), E_POINTER);
    EXPECT_EQ(done, 0u);
    done = 5;
    EXPECT_EQ(stream_->Write(nullptr, 4, &done), E_POINTER);
    EXPECT_EQ(done, 0u);
}

INSTANTIATE_TEST_SUITE_P(Host, StreamKinds, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "File" : "Memory"; });

TEST(HostStreams, ReadOnlyFilesRefuseWritesAndMemoryStartsWithItsBytes) {
    const std::string path = qm::test::TemporaryFilePath("host-readonly", "bin");
    FileStream* create = FileStream::Open(path, FileStream::Mode::Create);
    ASSERT_NE(create, nullptr);
    const BYTE data[] = {'Q', 'M', 'S', 'T'};
    ASSERT_EQ(create->Write(data, 4, nullptr), S_OK);
    create->Release();
    FileStream* reader = FileStream::Open(path, FileStream::Mode::Read);
    ASSERT_NE(reader, nullptr);
    ULONG done = 7;
    EXPECT_EQ(reader->Write(data, 1, &done), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(ReadAll(reader, 8), (std::vector<BYTE>{'Q', 'M', 'S', 'T'}));
    reader->Release();
    qm::test::RemoveFile(path);
    EXPECT_EQ(FileStream::Open(path, FileStream::Mode::Read), nullptr);

    MemoryStream* memory = MemoryStream::Create({5, 6, 7});
    EXPECT_EQ(ReadAll(memory, 3), (std::vector<BYTE>{5, 6, 7}));
    EXPECT_EQ(memory->Release(), 0u);
}

}  // namespace
}  // namespace qm::host
