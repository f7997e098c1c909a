// Where the engine keeps its settings and volume records: below the
// trigger's CLSID key in HKEY_CLASSES_ROOT.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "raredaro/core/engine_types.h"
#include "raredaro/volume_record.h"

namespace raredaro {

extern const wchar_t kTriggerClsidKey[];  // CLSID\{5DC98F2D-...}
extern const wchar_t kDefaultAdviseClsid[];

// Reads settings over what settings holds; missing values keep it. When the
// Volume key opens, *adviseClsid is replaced (by the default agent's CLSID
// when the value is missing or oversized) and *adviseSet becomes true.
void LoadSettings(EngineSettings* settings, std::wstring* adviseClsid, bool* adviseSet);
// True only when both keys could be made and all six values written.
bool SaveSettings(const EngineSettings& settings);

// The stored record whose Volume equals volume; null when there is none or
// any of its values is missing or malformed. Its Status becomes StatusPending.
std::unique_ptr<VolumeRecord> LoadRecord(const std::wstring& volume);
// Writes the record's values; failures are not reported.
void SaveRecord(const VolumeRecord& record);

}  // namespace raredaro
