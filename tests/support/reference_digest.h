// Independent references the checksum and encoding tests compare against: the
// system's own implementations, never zel's. Linux: OpenSSL (SHA1,
// EVP_EncodeBlock, EVP_DecodeBlock); Windows: BCrypt (BCryptHash with the
// SHA-1 provider) and crypt32 (CryptBinaryToStringA, CryptStringToBinaryA).
// Built as the library zel_test_reference, linked only by the tests that use it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zel_test {

// The SHA-1 digest of `size` bytes at `data`.
std::array<uint8_t, 20> ReferenceSha1(const void* data, size_t size);

// `bytes` in standard Base64 (RFC 4648 alphabet, '=' padding) on one line.
std::string ReferenceBase64Encode(const std::string& bytes);

// The bytes of a one-line standard Base64 text whose length is a multiple of
// four; nullopt when the reference rejects it.
std::optional<std::string> ReferenceBase64Decode(const std::string& text);

// Which implementation the functions above use, for test messages.
const char* ReferenceName();

}  // namespace zel_test
