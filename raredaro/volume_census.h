// One volume's census: the volume query and the walk that counts files and
// allocated bytes, protected and not.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "raredaro/core/census.h"
#include "raredaro/core/engine_types.h"
#include "raredaro/directory_lister.h"

namespace raredaro {

// What the walk asks of the trigger that runs it.
class CensusHost {
public:
    virtual ~CensusHost() = default;
    virtual bool cancelled() = 0;
    // Result of reporting the progress (tenths of a percent); anything but
    // S_OK ends the walk with it.
    virtual HRESULT reportProgress(std::int16_t progress) = 0;
    virtual bool exclusionsActive() = 0;
    // Paths in the ANSI code page, as the exclusion lists hold them.
    virtual bool directoryExcluded(const std::string& directory) = 0;
    virtual bool fileExcluded(const std::string& directory, const std::string& name) = 0;
};

// Used bytes and cluster size of the volume whose letter is given.
HRESULT QueryVolume(wchar_t letter, std::uint64_t* usedBytes, std::uint32_t* clusterSize);

// Walks the volume from root ("D:", no backslash) and adds to counts' file
// and protected figures. S_OK when walked to the end; E_ABORT after a cancel.
HRESULT WalkVolume(const std::wstring& root, DirectoryLister& lister, CensusHost& host, CensusState& census,
                   VolumeCounts* counts);

}  // namespace raredaro
