// The host's IStream over a file, what the CLI's state files go through (the state tests drive the
// one over memory).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "streams.h"
#include "support/environment.h"

namespace qm::host {
namespace {

std::vector<BYTE> ReadAll(IStream* stream, ULONG most) {
    std::vector<BYTE> bytes(most);
    ULONG done = 99;
    EXPECT_EQ(stream->Read(bytes.data(), most, &done), S_OK);
    bytes.resize(done);
    return bytes;
}

HRESULT Seek(IStream* stream, LONGLONG move, DWORD origin, ULARGE_INTEGER* position = nullptr) {
    LARGE_INTEGER to;
    to.QuadPart = move;
    return stream->Seek(to, origin, position);
}

// A created file reads back what was written after seeks; one opened to read refuses writes.
TEST(HostStreams, FileWritesReadBackAfterSeeksAndReadsStopAtTheEnd) {
    const std::string path = qm::test::TemporaryFilePath("host-stream", "bin");
    FileStream* stream = FileStream::Open(path, FileStream::Mode::Create);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(Seek(stream, 3, STREAM_SEEK_SET), S_OK);  // a write past the end leaves zeros in the gap
    const BYTE data[] = {4, 5, 6, 7, 8, 9, 10}, patch[] = {0xAA, 0xBB};
    ULONG done = 99;
    ASSERT_EQ(stream->Write(data, sizeof(data), &done), S_OK);
    EXPECT_EQ(done, sizeof(data));
    ULARGE_INTEGER at;
    ASSERT_EQ(Seek(stream, -4, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(at.QuadPart, 6u);
    EXPECT_EQ(ReadAll(stream, 8), (std::vector<BYTE>{7, 8, 9, 10}));
    EXPECT_EQ(ReadAll(stream, 8), std::vector<BYTE>{});  // at the end: nothing, and no error
    ASSERT_EQ(Seek(stream, -8, STREAM_SEEK_CUR), S_OK);
    ASSERT_EQ(stream->Write(patch, 2, nullptr), S_OK);
    // A seek before the start fails, reports nothing and keeps the position.
    at.QuadPart = 77;
    EXPECT_EQ(Seek(stream, -5, STREAM_SEEK_CUR, &at), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(at.QuadPart, 77u);
    ASSERT_EQ(Seek(stream, 0, STREAM_SEEK_SET), S_OK);
    EXPECT_EQ(ReadAll(stream, 16), (std::vector<BYTE>{0, 0, 0xAA, 0xBB, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(stream->Release(), 0u);

    FileStream* reader = FileStream::Open(path, FileStream::Mode::Read);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(std::make_tuple(reader->Write("x", 1, &done), done), std::make_tuple(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), 0u));
    EXPECT_EQ(ReadAll(reader, 4), (std::vector<BYTE>{0, 0, 0xAA, 0xBB}));
    reader->Release();
    qm::test::RemoveFile(path);
    EXPECT_EQ(FileStream::Open(path, FileStream::Mode::Read), nullptr);
}

}  // namespace
}  // namespace qm::host
