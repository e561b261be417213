#include "update/SignatureCheck.h"

#include "base/Handles.h"

#include "platform/Crypto.h"
#include "platform/Kernel.h"

#include "UpdateKeys.h"

#include <algorithm>

using namespace plat;

namespace {

constexpr DWORD kReadPieceSize = 4096;

// Feeds the file's bytes, as read back through the kernel, into the hash.
bool HashFile(const char* path, HCRYPTHASH hash) {
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.IsValid()) return false;
    BYTE piece[kReadPieceSize];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), piece, kReadPieceSize, &read)) return false;
        if (read == 0) return true;
        if (!CryptHashData(hash, piece, read, 0)) return false;
    }
}

}  // namespace

bool IsSignedWithKey(const char* path, const Signature& signature, const unsigned char* keyBlob,
                     std::size_t keyBlobSize) {
    CryptContext context;
    if (!CryptAcquireContextA(context.Put(), PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return false;
    CryptKey key;
    if (!CryptImportKey(context.Get(), keyBlob, static_cast<DWORD>(keyBlobSize), 0, key.Put()))
        return false;
    CryptHash hash;
    if (!CryptCreateHash(context.Get(), CALG_SHA_256, 0, hash.Put())) return false;
    if (!HashFile(path, hash.Get())) return false;

    // The CryptoAPI reads the signature least significant byte first.
    Signature reversed;
    std::reverse_copy(signature.begin(), signature.end(), reversed.begin());
    return CryptVerifySignatureA(hash.Get(), reversed.data(), kSignatureSize, key.Get(), 0) != FALSE;
}

bool IsSignedByMaker(const char* path, const Signature& signature) {
    return std::any_of(std::begin(kUpdateKeys), std::end(kUpdateKeys), [&](const auto& key) {
        return IsSignedWithKey(path, signature, key.data(), key.size());
    });
}
