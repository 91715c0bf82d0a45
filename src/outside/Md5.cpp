#include "outside/Md5.h"

#include <openssl/evp.h>
#include <openssl/opensslv.h>

namespace pkg {

namespace {

// The digest implementation, looked up once. Naming EVP_md5() on every call
// makes OpenSSL 3 look the algorithm up again each time, which costs more than
// hashing a short text.
const EVP_MD* Md5Algorithm() {
#if OPENSSL_VERSION_NUMBER >= 0x30000000L
  static const EVP_MD* const algorithm = [] {
    const EVP_MD* fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return fetched != nullptr ? fetched : EVP_md5();
  }();
  return algorithm;
#else
  return EVP_md5();
#endif
}

}  // namespace

bool md5Buffer(const void* data, size_t length, std::string& out) {
  out.clear();
  static const unsigned char kEmpty = 0;
  if (data == nullptr) {
    if (length != 0) {
      return false;
    }
    data = &kEmpty;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(data, length, digest, &digestLength, Md5Algorithm(), nullptr) != 1) {
    return false;
  }
  static const char kHex[] = "0123456789abcdef";
  out.reserve(2 * digestLength);
  for (unsigned int i = 0; i < digestLength; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0x0F];
  }
  return true;
}

}  // namespace pkg
