// The simulated CryptoAPI: handles map onto OpenSSL objects, so signatures
// are checked for real. Only what the CryptoAPI allows is allowed: SHA-256
// needs a PROV_RSA_AES context, a key blob must be a well-formed public key.
#include "platform/Crypto.h"
#include "tests/sim/KernelLock.h"
#include "tests/sim/SimCrypto.h"
#include "tests/sim/SimWorld.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

struct KeyFree { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct DigestFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Digest = std::unique_ptr<EVP_MD_CTX, DigestFree>;

constexpr plat::BYTE kPublicKeyBlobType = 0x06;

struct Crypto {
    std::uintptr_t next = 0x5000;
    std::map<std::uintptr_t, plat::DWORD> contexts;  // handle -> provider type
    std::map<std::uintptr_t, Key> keys;
    std::map<std::uintptr_t, Digest> hashes;
};

Crypto& State() {
    static Crypto state;
    return state;
}

}  // namespace

namespace sim {

void ResetCrypto() { State() = Crypto(); }

int OpenCryptHandleCount() {
    const Crypto& s = State();
    return static_cast<int>(s.contexts.size() + s.keys.size() + s.hashes.size());
}

std::string SignWithKey(const std::string& data, const std::string& keyPath) {
    std::FILE* file = std::fopen(keyPath.c_str(), "r");
    if (!file) return std::string();
    Key key(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
    std::fclose(file);
    if (!key) return std::string();
    Digest ctx(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &length, nullptr, 0) != 1)
        return std::string();
    std::string signature(length, '\0');
    auto* out = reinterpret_cast<unsigned char*>(signature.data());
    auto* in = reinterpret_cast<const unsigned char*>(data.data());
    if (EVP_DigestSign(ctx.get(), out, &length, in, data.size()) != 1) return std::string();
    signature.resize(length);
    return signature;
}

}  // namespace sim

namespace plat {

BOOL CryptAcquireContextA(HCRYPTPROV* phProv, DWORD dwProvType, DWORD dwFlags) {
    sim::detail::KernelLock lock;
    *phProv = 0;
    if (dwFlags != CRYPT_VERIFYCONTEXT) return FALSE;  // no key containers on this machine
    Crypto& s = State();
    *phProv = ++s.next;
    s.contexts[*phProv] = dwProvType;
    return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD) {
    sim::detail::KernelLock lock;
    return State().contexts.erase(hProv) ? TRUE : FALSE;
}

BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, DWORD, HCRYPTKEY* phKey) {
    sim::detail::KernelLock lock;
    *phKey = 0;
    Crypto& s = State();
    if (!s.contexts.count(hProv) || dwDataLen == 0 || pbData[0] != kPublicKeyBlobType) return FALSE;
    const unsigned char* cursor = pbData;
    Key key(b2i_PublicKey(&cursor, static_cast<long>(dwDataLen)));
    if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA) return FALSE;
    *phKey = ++s.next;
    s.keys[*phKey] = std::move(key);
    return TRUE;
}

BOOL CryptDestroyKey(HCRYPTKEY hKey) {
    sim::detail::KernelLock lock;
    return State().keys.erase(hKey) ? TRUE : FALSE;
}

BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, DWORD, HCRYPTHASH* phHash) {
    sim::detail::KernelLock lock;
    *phHash = 0;
    Crypto& s = State();
    auto context = s.contexts.find(hProv);
    if (context == s.contexts.end() || context->second != PROV_RSA_AES || Algid != CALG_SHA_256)
        return FALSE;
    Digest digest(EVP_MD_CTX_new());
    if (EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1) return FALSE;
    *phHash = ++s.next;
    s.hashes[*phHash] = std::move(digest);
    return TRUE;
}

BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD) {
    sim::detail::KernelLock lock;
    auto hash = State().hashes.find(hHash);
    if (hash == State().hashes.end()) return FALSE;
    return EVP_DigestUpdate(hash->second.get(), pbData, dwDataLen) == 1 ? TRUE : FALSE;
}

BOOL CryptDestroyHash(HCRYPTHASH hHash) {
    sim::detail::KernelLock lock;
    return State().hashes.erase(hHash) ? TRUE : FALSE;
}

BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen,
                           HCRYPTKEY hPubKey, DWORD) {
    sim::detail::KernelLock lock;
    Crypto& s = State();
    auto hash = s.hashes.find(hHash);
    auto key = s.keys.find(hPubKey);
    if (hash == s.hashes.end() || key == s.keys.end()) return FALSE;

    // The value of the hash so far, taken from a copy so more data may follow.
    Digest copy(EVP_MD_CTX_new());
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int valueLength = 0;
    if (EVP_MD_CTX_copy_ex(copy.get(), hash->second.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), value, &valueLength) != 1)
        return FALSE;

    std::vector<unsigned char> bigEndian(pbSignature, pbSignature + dwSigLen);
    std::reverse(bigEndian.begin(), bigEndian.end());
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> verify(
        EVP_PKEY_CTX_new(key->second.get(), nullptr), &EVP_PKEY_CTX_free);
    if (!verify || EVP_PKEY_verify_init(verify.get()) != 1 ||
        EVP_PKEY_CTX_set_rsa_padding(verify.get(), RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_CTX_set_signature_md(verify.get(), EVP_sha256()) != 1)
        return FALSE;
    return EVP_PKEY_verify(verify.get(), bigEndian.data(), bigEndian.size(), value, valueLength) == 1
               ? TRUE
               : FALSE;
}

}  // namespace plat
