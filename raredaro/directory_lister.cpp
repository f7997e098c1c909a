#include "raredaro/directory_lister.h"

#include "win32/handle.h"

namespace raredaro {

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 2 || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    return L"\\\\?\\" + path;
}

HRESULT Win32DirectoryLister::list(const std::wstring& directory,
                                   const std::function<bool(const DirectoryEntry&)>& visit) {
    WIN32_FIND_DATAW data;
    win::FindHandle search(::FindFirstFileW(LongPathForm(directory + L"\\*").c_str(), &data));
    if (!search) return HRESULT_FROM_WIN32(::GetLastError());
    do {
        const DirectoryEntry entry{data.cFileName, data.dwFileAttributes,
                                   (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
        if (!visit(entry)) break;
    } while (::FindNextFileW(search.get(), &data));
    return S_OK;
}

bool Win32DirectoryLister::identity(const std::wstring& directory, DirectoryIdentity* out) {
    // "D:" alone would name the drive's current folder, not its root.
    const std::wstring path = directory.size() == 2 ? directory + L"\\" : directory;
    win::Handle handle(::CreateFileW(LongPathForm(path).c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return false;
    out->volumeSerial = info.dwVolumeSerialNumber;
    out->fileIndex = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace raredaro
