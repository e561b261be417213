// Whether a file is exactly what the maker signed: nothing downloaded may
// take the running program's place unless one of the keys built into the
// program verifies its signature.
#pragma once
#include "platform/WinTypes.h"

#include <array>
#include <cstddef>

// RSA-3072 PKCS#1 v1.5 over SHA-256, as the release step writes it: 384
// bytes, most significant first.
constexpr std::size_t kSignatureSize = 384;
using Signature = std::array<unsigned char, kSignatureSize>;

// True when any built-in key verifies the signature over the bytes of the
// open file, read from its start through this handle (which needs read
// access). Moves the file's position.
bool IsSignedByMaker(plat::HANDLE file, const Signature& signature);

// The same check against one PUBLICKEYBLOB.
bool IsSignedWithKey(plat::HANDLE file, const Signature& signature, const unsigned char* keyBlob,
                     std::size_t keyBlobSize);
