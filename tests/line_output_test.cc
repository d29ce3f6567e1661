#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/line_output.h"

namespace {

struct FakeWriter {
  std::vector<std::string> writes;
  int failFromWrite = -1;  // index of the first write that fails, -1 for none
  Status failure = 28;
};

Status FakeWrite(void* context, const char* bytes, unsigned count) {
  FakeWriter* writer = static_cast<FakeWriter*>(context);
  int index = static_cast<int>(writer->writes.size());
  writer->writes.emplace_back(bytes, count);
  if (writer->failFromWrite >= 0 && index >= writer->failFromWrite) return writer->failure;
  return kStatusOk;
}

struct Ended {
  int status;
};
void FakeEnd(int status) { throw Ended{status}; }

TEST(LineOutput, LinesPassThroughThe128ByteBuffer) {
  struct Row {
    size_t length;
    std::vector<size_t> writeSizes;
  };
  const Row rows[] = {
      {0, {2}},          // only the line end
      {126, {128}},      // text and line end fill the buffer exactly
      {127, {128, 1}},   // the buffer fills inside the line end
      {128, {128, 2}},
      {255, {128, 128, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    FakeWriter writer;
    LineBuffer buffer;
    InitLineBuffer(&buffer, FakeWrite, &writer);
    std::string text(row.length, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + i % 50);
    ASSERT_EQ(PutLine(&buffer, TextFromBytes(text.data(), static_cast<unsigned>(text.size())),
                      "\r\n"),
              kStatusOk);
    std::string all;
    std::vector<size_t> sizes;
    for (const std::string& w : writer.writes) {
      all += w;
      sizes.push_back(w.size());
    }
    EXPECT_EQ(all, text + "\r\n");
    EXPECT_EQ(sizes, row.writeSizes);
  }
}

TEST(LineOutput, AFailedWriteReportsAndEndsWithStatusOne) {
  FakeWriter writer;
  writer.failFromWrite = 1;  // the first line goes out, then the disk is full
  LineBuffer buffer;
  InitLineBuffer(&buffer, FakeWrite, &writer);
  PutLineOrEnd(&buffer, TextFrom("first"), "\n", FakeEnd);
  try {
    PutLineOrEnd(&buffer, TextFrom("second"), "\n", FakeEnd);
    FAIL() << "a failed write must end the program";
  } catch (const Ended& ended) {
    EXPECT_EQ(ended.status, 1);
  }
  ASSERT_EQ(writer.writes.size(), 3u);
  EXPECT_EQ(writer.writes[0], "first\n");
  EXPECT_EQ(writer.writes[1], "second\n");
  EXPECT_EQ(writer.writes[2], "Error: writing to standard output failed (system error 28)\n");
  EXPECT_EQ(buffer.pending, 28u);
}

TEST(LineOutput, AFailureInsideALongLineStopsThatLine) {
  FakeWriter writer;
  writer.failFromWrite = 0;
  LineBuffer buffer;
  InitLineBuffer(&buffer, FakeWrite, &writer);
  std::string text(255, 'y');
  EXPECT_EQ(PutLine(&buffer, TextFrom(text.c_str()), "\n"), 28u);
  EXPECT_EQ(writer.writes.size(), 1u);  // nothing more of the line after the failure
  EXPECT_EQ(buffer.used, 0u);
}

}  // namespace
