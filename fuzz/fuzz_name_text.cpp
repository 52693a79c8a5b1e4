// File names as bytes: the JSON text, the percent-encoded bytes and their
// decoding, the Filename column and the message form of any byte string.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "output/name_text.h"

using namespace quilve;
using quilve::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool valid = isValidUtf8(bytes);
  const std::string text = utf8Text(bytes);
  expect(isValidUtf8(text), "the JSON text is not UTF-8");
  expect(valid == (text == bytes), "valid UTF-8 was changed, or broken UTF-8 kept");

  const std::string encoded = percentEncodedBytes(bytes);
  for (const char c : encoded) expect(c > 0x20 && c < 0x7F, "the encoded bytes are not printable ASCII");
  std::string back;
  expect(decodePercentBytes(encoded, &back) && back == bytes, "the encoded bytes do not decode back");
  std::string decoded;
  if (decodePercentBytes(bytes, &decoded)) expect(decoded.size() <= bytes.size(), "decoding grew");

  const std::string column = columnText(bytes);
  for (const char c : column) {
    const auto b = static_cast<unsigned char>(c);
    expect(b >= 0x20 && b != 0x7F, "a control character in the Filename column");
  }
  expect(column.size() <= bytes.size(), "the Filename column grew");

  const std::string message = messageText(bytes);
  expect(isValidUtf8(message), "a message is not UTF-8");
  for (const char c : message) {
    const auto b = static_cast<unsigned char>(c);
    expect(b >= 0x20 && b != 0x7F, "a control character in a message");
  }
  return 0;
}
