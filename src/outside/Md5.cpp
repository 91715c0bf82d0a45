#include "outside/Md5.h"

// The one-shot MD5 functions are deprecated in OpenSSL 3 in favour of EVP, but
// an EVP digest allocates a provider context on every initialisation, which
// costs more than hashing the short texts this library signs thousands of
// times per load. They stay available unless OpenSSL was built without them.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/evp.h>
#include <openssl/md5.h>
#include <openssl/opensslconf.h>
#include <openssl/opensslv.h>

namespace pkg {

namespace {

const size_t kDigestBytes = 16;

#if defined(OPENSSL_NO_DEPRECATED_3_0) || defined(OPENSSL_NO_MD5)

// The digest implementation, looked up once: naming EVP_md5() on every call
// makes OpenSSL 3 look the algorithm up again each time.
const EVP_MD* Md5Algorithm() {
  static const EVP_MD* const algorithm = [] {
    const EVP_MD* fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return fetched != nullptr ? fetched : EVP_md5();
  }();
  return algorithm;
}

bool Digest(const void* data, size_t length, unsigned char* digest) {
  unsigned int digestLength = 0;
  return EVP_Digest(data, length, digest, &digestLength, Md5Algorithm(), nullptr) == 1 &&
         digestLength == kDigestBytes;
}

#else

bool Digest(const void* data, size_t length, unsigned char* digest) {
  MD5_CTX context;
  return MD5_Init(&context) == 1 && MD5_Update(&context, data, length) == 1 &&
         MD5_Final(digest, &context) == 1;
}

#endif

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
  unsigned char digest[kDigestBytes];
  if (!Digest(data, length, digest)) {
    return false;
  }
  static const char kHex[] = "0123456789abcdef";
  out.resize(2 * kDigestBytes);
  for (size_t i = 0; i < kDigestBytes; ++i) {
    out[2 * i] = kHex[digest[i] >> 4];
    out[2 * i + 1] = kHex[digest[i] & 0x0F];
  }
  return true;
}

}  // namespace pkg
