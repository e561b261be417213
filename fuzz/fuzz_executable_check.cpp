// The check that a downloaded file is a complete Win32 executable: it never
// reads outside the bytes it is given, a file that passes also passes when
// it is longer, and a file shorter than the bytes read never passes.
#include "FuzzCheck.h"

#include "update/ExecutableCheck.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    // The first four bytes say how much longer the whole file is than its head.
    const std::uint64_t extra = data[0] | (data[1] << 8) | (std::uint64_t{data[2]} << 16) |
                                (std::uint64_t{data[3]} << 24);
    const std::size_t headLength = std::min<std::size_t>(size - 4, kImageHeadSize);
    std::unique_ptr<unsigned char[]> head(new unsigned char[headLength + 1]);
    std::copy(data + 4, data + 4 + headLength, head.get());

    const std::uint64_t fileSize = headLength + extra;
    const bool complete = IsCompleteWin32Image(head.get(), headLength, fileSize);
    if (complete) {
        FUZZ_CHECK(head[0] == 'M' && head[1] == 'Z');
        FUZZ_CHECK(IsCompleteWin32Image(head.get(), headLength, fileSize + 1 + extra));
    }
    // A head longer than the file is a lie about its length.
    if (headLength > 0) FUZZ_CHECK(!IsCompleteWin32Image(head.get(), headLength, headLength - 1));
    return 0;
}
