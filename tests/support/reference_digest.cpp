#include "support/reference_digest.h"

#include <stdexcept>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
// clang-format on
#else
#include <openssl/evp.h>
#include <openssl/sha.h>
#endif

namespace zel_test {

#ifdef _WIN32

std::array<uint8_t, 20> ReferenceSha1(const void* data, size_t size) {
  std::array<uint8_t, 20> out{};
  // BCryptHash takes a ULONG length: longer inputs go through a hash object.
  BCRYPT_ALG_HANDLE alg = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA1_ALGORITHM, nullptr, 0)))
    throw std::runtime_error("BCryptOpenAlgorithmProvider(SHA1) failed");
  BCRYPT_HASH_HANDLE hash = nullptr;
  NTSTATUS status = BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0);
  auto* p = static_cast<UCHAR*>(const_cast<void*>(data));
  while (BCRYPT_SUCCESS(status) && size > 0) {
    const ULONG n = size > 0x40000000u ? 0x40000000u : static_cast<ULONG>(size);
    status = BCryptHashData(hash, p, n, 0);
    p += n;
    size -= n;
  }
  if (BCRYPT_SUCCESS(status)) status = BCryptFinishHash(hash, out.data(), 20, 0);
  if (hash) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(alg, 0);
  if (!BCRYPT_SUCCESS(status)) throw std::runtime_error("BCrypt SHA-1 failed");
  return out;
}

std::string ReferenceBase64Encode(const std::string& bytes) {
  if (bytes.empty()) return std::string();
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  const auto* in = reinterpret_cast<const BYTE*>(bytes.data());
  const auto in_size = static_cast<DWORD>(bytes.size());
  DWORD size = 0;
  if (!CryptBinaryToStringA(in, in_size, flags, nullptr, &size))
    throw std::runtime_error("CryptBinaryToStringA failed");
  std::string out(size, '\0');
  if (!CryptBinaryToStringA(in, in_size, flags, out.data(), &size))
    throw std::runtime_error("CryptBinaryToStringA failed");
  out.resize(size);  // without the terminating zero
  return out;
}

std::optional<std::string> ReferenceBase64Decode(const std::string& text) {
  if (text.empty()) return std::string();
  const auto text_size = static_cast<DWORD>(text.size());
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.data(), text_size, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                            nullptr))
    return std::nullopt;
  std::string out(size, '\0');
  if (!CryptStringToBinaryA(text.data(), text_size, CRYPT_STRING_BASE64,
                            reinterpret_cast<BYTE*>(out.data()), &size, nullptr, nullptr))
    return std::nullopt;
  out.resize(size);
  return out;
}

const char* ReferenceName() { return "Windows BCrypt and crypt32"; }

#else

std::array<uint8_t, 20> ReferenceSha1(const void* data, size_t size) {
  std::array<uint8_t, 20> out{};
  SHA1(static_cast<const unsigned char*>(data), size, out.data());
  return out;
}

std::string ReferenceBase64Encode(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

std::optional<std::string> ReferenceBase64Decode(const std::string& text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out(text.size() / 4 * 3 + 1, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  if (n < 0) return std::nullopt;
  // EVP_DecodeBlock counts the padding as zero bytes: drop them.
  size_t size = static_cast<size_t>(n);
  if (!text.empty() && text.back() == '=') --size;
  if (text.size() >= 2 && text[text.size() - 2] == '=') --size;
  out.resize(size);
  return out;
}

const char* ReferenceName() { return "OpenSSL"; }

#endif

}  // namespace zel_test
