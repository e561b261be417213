// Reading the detached signature served beside the executable.
#pragma once
#include "update/SignatureCheck.h"

#include "platform/WinTypes.h"

// True when the opened URL answered 200 with exactly kSignatureSize bytes,
// which are then in signature. Anything else (an error page, a body cut
// short or too long, a failed read) is no signature at all. bytes: how many
// came.
bool ReadSignature(plat::HINTERNET hUrl, Signature& signature, plat::DWORD& bytes);
