#include "host/line_output.h"

void InitLineBuffer(LineBuffer* buffer, WriteBytesFunction write, void* context) {
  buffer->write = write;
  buffer->context = context;
  buffer->used = 0;
  buffer->pending = kStatusOk;
}

Status FlushLineBuffer(LineBuffer* buffer) {
  if (buffer->used == 0) return kStatusOk;
  Status status = buffer->write(buffer->context, buffer->bytes, buffer->used);
  buffer->used = 0;
  if (status != kStatusOk) buffer->pending = status;
  return status;
}

static Status PutBytes(LineBuffer* buffer, const char* bytes, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    buffer->bytes[buffer->used++] = bytes[i];
    if (buffer->used == kLineBufferSize) {
      Status status = FlushLineBuffer(buffer);
      if (status != kStatusOk) return status;
    }
  }
  return kStatusOk;
}

Status PutLine(LineBuffer* buffer, const ShortText& text, const char* lineEnd) {
  Status status = PutBytes(buffer, text.bytes, text.length);
  if (status == kStatusOk) status = PutBytes(buffer, lineEnd, TextLength(lineEnd));
  if (status == kStatusOk) status = FlushLineBuffer(buffer);
  buffer->used = 0;
  return status;
}

ShortText WriteFailureReport(Status status) {
  ShortText line = TextFrom("Error: writing to standard output failed (system error ");
  Append(&line, TextFromNumber(status));
  Append(&line, ")");
  return line;
}

void PutLineOrEnd(LineBuffer* buffer, const ShortText& text, const char* lineEnd,
                  void (*end)(int status)) {
  Status status = PutLine(buffer, text, lineEnd);
  if (status == kStatusOk) return;
  PutLine(buffer, WriteFailureReport(status), lineEnd);  // may well fail too
  end(kExitFailure);
}
