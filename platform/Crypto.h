// The CryptoAPI (advapi32) as the update agent uses it: a verification-only
// context, a public-key blob, a SHA-256 hash and an RSA signature check.
#pragma once
#include "platform/WinTypes.h"

#include <cstdint>

namespace plat {

using HCRYPTPROV = std::uintptr_t;
using HCRYPTKEY = std::uintptr_t;
using HCRYPTHASH = std::uintptr_t;
using ALG_ID = DWORD;

constexpr DWORD PROV_RSA_AES = 24;
// No key container: only public keys are ever used.
constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000u;
constexpr ALG_ID CALG_SHA_256 = 0x0000800Cu;

// No container name and no provider name: the default provider of the type.
BOOL CryptAcquireContextA(HCRYPTPROV* phProv, DWORD dwProvType, DWORD dwFlags);
BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags);
// A PUBLICKEYBLOB, not wrapped by another key.
BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags,
                    HCRYPTKEY* phKey);
BOOL CryptDestroyKey(HCRYPTKEY hKey);
// An unkeyed hash.
BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTHASH* phHash);
BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags);
BOOL CryptDestroyHash(HCRYPTHASH hHash);
// PKCS#1 v1.5; the signature's bytes are little-endian (least significant
// first), the reverse of how other tools write them. No description.
BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen,
                           HCRYPTKEY hPubKey, DWORD dwFlags);

}  // namespace plat
