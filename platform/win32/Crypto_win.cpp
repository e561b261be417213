// The CryptoAPI: the real advapi32 calls.
#include "platform/Crypto.h"

#include <windows.h>
#include <wincrypt.h>

static_assert(sizeof(plat::HCRYPTPROV) == sizeof(::HCRYPTPROV), "same handle width");

namespace plat {

BOOL CryptAcquireContextA(HCRYPTPROV* phProv, DWORD dwProvType, DWORD dwFlags) {
    ::HCRYPTPROV h = 0;
    BOOL ok = ::CryptAcquireContextA(&h, nullptr, nullptr, dwProvType, dwFlags);
    *phProv = ok ? h : 0;
    return ok;
}

BOOL CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) { return ::CryptReleaseContext(hProv, dwFlags); }

BOOL CryptImportKey(HCRYPTPROV hProv, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags,
                    HCRYPTKEY* phKey) {
    ::HCRYPTKEY h = 0;
    BOOL ok = ::CryptImportKey(hProv, pbData, dwDataLen, 0, dwFlags, &h);
    *phKey = ok ? h : 0;
    return ok;
}

BOOL CryptDestroyKey(HCRYPTKEY hKey) { return ::CryptDestroyKey(hKey); }

BOOL CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, DWORD dwFlags, HCRYPTHASH* phHash) {
    ::HCRYPTHASH h = 0;
    BOOL ok = ::CryptCreateHash(hProv, Algid, 0, dwFlags, &h);
    *phHash = ok ? h : 0;
    return ok;
}

BOOL CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) {
    return ::CryptHashData(hHash, pbData, dwDataLen, dwFlags);
}

BOOL CryptDestroyHash(HCRYPTHASH hHash) { return ::CryptDestroyHash(hHash); }

BOOL CryptVerifySignatureA(HCRYPTHASH hHash, const BYTE* pbSignature, DWORD dwSigLen,
                           HCRYPTKEY hPubKey, DWORD dwFlags) {
    return ::CryptVerifySignatureA(hHash, pbSignature, dwSigLen, hPubKey, nullptr, dwFlags);
}

}  // namespace plat
