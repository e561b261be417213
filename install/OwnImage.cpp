#include "install/OwnImage.h"

#include "base/Handles.h"
#include "platform/Kernel.h"

#include <cstdlib>

namespace {

constexpr plat::DWORD kShare = plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE;

}  // namespace

OwnImage OwnImage::Read(const char* path) {
    OwnImage image;
    FileHandle file(plat::CreateFileA(path, plat::GENERIC_READ, kShare, plat::OPEN_EXISTING,
                                      plat::FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.IsValid()) return image;
    const plat::DWORD size = plat::GetFileSize(file.Get(), nullptr);
    // An empty file cannot be the running executable; treat it as unread.
    if (size == plat::INVALID_FILE_SIZE || size == 0) return image;
    image.m_block.Reset(std::calloc(1, size));
    if (!image.m_block) return image;
    image.m_size = size;
    plat::DWORD read = 0;
    const plat::BOOL ok = plat::ReadFile(file.Get(), image.m_block.Get(), size, &read);
    image.m_complete = ok && read == size;
    return image;
}

WriteOutcome WriteImage(const char* path, const OwnImage& image) {
    FileHandle file(plat::CreateFileA(path, plat::GENERIC_WRITE, 0, plat::CREATE_NEW,
                                      plat::FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.IsValid()) return WriteOutcome::NotOpened;
    plat::DWORD written = 0;
    const plat::BOOL ok = plat::WriteFile(file.Get(), image.Data(), image.Size(), &written) &&
                          written == image.Size() &&
                          plat::FlushFileBuffers(file.Get());  // on the disk before it is moved into place
    file.Close();
    if (ok) return WriteOutcome::Written;
    // A cut-off executable would be found without a version next time and
    // fail to start; better no installed copy than a broken one.
    plat::DeleteFileA(path);
    return WriteOutcome::Incomplete;
}
