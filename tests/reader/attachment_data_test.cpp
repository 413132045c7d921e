// Attached files unpacked from their stored form, whole or not at all.

#include "reader/attachment_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<uint8_t>;

void putU32(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// The unpacked form: its header (length, version, the extension with its NUL in UTF-16) and
// the file.
Bytes unpackedForm(const std::string& extension, const std::string& file) {
  Bytes out;
  putU32(out, static_cast<uint32_t>(12 + 2 * (extension.size() + 1)));
  putU32(out, 1);
  putU32(out, static_cast<uint32_t>(extension.size() + 1));
  for (const char c : extension + '\0') {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  out.insert(out.end(), file.begin(), file.end());
  return out;
}

Bytes stored(uint32_t flag, uint32_t length, const Bytes& payload) {
  Bytes out;
  putU32(out, flag);
  putU32(out, length);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes deflated(const Bytes& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size())), Z_OK);
  out.resize(size);
  return out;
}

TEST(AttachmentDataTest, DeflatedAndPlainValuesGiveTheFileAndItsExtension) {
  const Bytes form = unpackedForm("txt", "Attachment 1");
  const auto length = static_cast<uint32_t>(form.size());
  for (const Bytes& value : {stored(1, length, deflated(form)), stored(0, length, form)}) {
    const auto file = unpackAttachment(value);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->extension, "txt");
    EXPECT_EQ(std::string(file->bytes.begin(), file->bytes.end()), "Attachment 1");
  }
  const auto empty = unpackAttachment(stored(1, 14, deflated(unpackedForm("", ""))));
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->bytes.empty());
}

TEST(AttachmentDataTest, DamagedValuesGiveNothing) {
  const Bytes form = unpackedForm("png", std::string(300, 'x'));
  const auto length = static_cast<uint32_t>(form.size());
  const Bytes stream = deflated(form);
  Bytes cutStream = stored(1, length, stream);
  cutStream.resize(cutStream.size() / 2);
  Bytes badHeader = form;
  badHeader[2] = 1;  // a header longer than the value
  const std::vector<Bytes> damaged{
      {},
      stored(1, 0, {}),
      cutStream,
      stored(1, length + 1, stream),   // ends short of its length
      stored(1, length - 1, stream),   // holds more than its length
      stored(1, 0xFFFFFFF0u, stream),  // claims more than any file is unpacked to
      stored(7, length, form),         // no known flag
      stored(0, length + 5, form),     // a plain value of another length
      stored(0, length, badHeader),
      stored(1, length, Bytes(stream.size(), 0xAB)),
  };
  for (size_t i = 0; i < damaged.size(); ++i)
    EXPECT_FALSE(unpackAttachment(damaged[i])) << "value " << i;
}

}  // namespace
}  // namespace vantrel
