// TriggerRaredaroWarning: the engine's COM object. Clients set a volume and
// start it; one low-priority worker walks due volumes and reports through a
// hidden window on the object's own thread as events.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "raredaro/core/busy_flag.h"
#include "raredaro/core/census.h"
#include "raredaro/core/engine_types.h"
#include "raredaro/directory_lister.h"
#include "raredaro/volume_census.h"
#include "raredaro/volume_record.h"
#include "raredaro.h"  // made by widl
#include "win32/com_object.h"
#include "win32/connection_point.h"
#include "win32/dispatch.h"
#include "win32/handle.h"

namespace raredaro {

constexpr UINT WM_TRIGGER_DONE = WM_USER + 0x10;
constexpr UINT WM_TRIGGER_PROGRESS = WM_USER + 0x11;
constexpr UINT WM_TRIGGER_START = WM_USER + 0x12;
constexpr UINT WM_TRIGGER_ADVISE = WM_USER + 0x13;
constexpr UINT WM_TRIGGER_RELEASE = WM_USER + 0x14;  // drops a reference the worker took
constexpr HRESULT S_GROUPDONE = 0x2000A001;
constexpr HRESULT kBusyTimeout = HRESULT_FROM_WIN32(ERROR_SEM_TIMEOUT);  // 0x80070079

class Trigger final : public IOKMTrigger,
                      public IOKMStorageVolume,
                      public IConnectionPointContainer,
                      public win::ComObjectBase,
                      private CensusHost {
public:
    explicit Trigger(IUnknown* outer);
    ~Trigger() override;

    static HRESULT create(IUnknown* outer, REFIID iid, void** out);

    KM_DELEGATE_IUNKNOWN
    KM_IMPLEMENT_IDISPATCH(dispatch_)

    // IOKMTrigger
    STDMETHODIMP TAdvise(BSTR handle, BSTR* advise) override;
    STDMETHODIMP TCancel(BSTR handle) override;
    STDMETHODIMP TDisable(BSTR handle, LONG disable) override;
    STDMETHODIMP TInitialize(LONG flags, LONG force) override;
    STDMETHODIMP TRespond(BSTR adviseHandle, TAdvisePriority priority, LONG flags) override;
    STDMETHODIMP TStart(BSTR* handle, LONG force, LONG refreshThreshold) override;

    // IOKMStorageVolume
    STDMETHODIMP SetVolume(BSTR volume, BSTR* handle) override;
    STDMETHODIMP Raredaro(BSTR handle, BSTR* volume, unsigned char* percentKnown, LONG* filesTotal,
                          LONG* filesProtected, LONG* bytesTotal, TNumberType* typeBytesTotal, LONG* bytesProtected,
                          TNumberType* typeBytesProtected) override;
    STDMETHODIMP SetSchedule(TScheduleZone zone, USHORT hours, USHORT days) override;
    STDMETHODIMP SetPercentFilesThreshold(USHORT threshold) override;
    STDMETHODIMP SetFilesThreshold(USHORT threshold) override;
    STDMETHODIMP SetMBThreshold(USHORT threshold) override;
    STDMETHODIMP GetPercentFilesThreshold(USHORT* threshold) override;
    STDMETHODIMP GetFilesThreshold(USHORT* threshold) override;
    STDMETHODIMP GetMBThreshold(USHORT* threshold) override;
    STDMETHODIMP GetSchedule(TScheduleZone* zone, USHORT* hours, USHORT* days) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    HRESULT finalConstruct() override;
    void finalRelease() override;

protected:
    HRESULT queryInterfaceImpl(REFIID iid, void** out) override;

private:
    // The record list; callers hold the busy flag.
    VolumeRecord* findById(BSTR id);
    VolumeRecord* findByVolume();
    VolumeRecord* findOrLoadOrCreate(bool* added);
    void append(std::unique_ptr<VolumeRecord> record);
    bool lastRecordIdle() const;

    HRESULT wakeWorker(bool signal);
    static DWORD WINAPI workerMain(void* self);
    void workerLoop();
    VolumeRecord* pickNext();
    void runPass(VolumeRecord* record);
    void evaluateAndAdvise(VolumeRecord* record, bool save);
    template <class Change>
    HRESULT changeSettings(Change change);
    EngineSettings settingsCopy() const;
    void removeRecord(VolumeRecord* record);
    void groupEndCheck();
    LRESULT send(UINT message, VolumeRecord* record, LPARAM value);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onTriggerMessage(UINT message, VolumeRecord* record, LPARAM value);

    // CensusHost
    bool cancelled() override;
    HRESULT reportProgress(std::int16_t progress) override;
    bool exclusionsActive() override { return exclusionsActive_; }
    bool directoryExcluded(const std::string& directory) override;
    bool fileExcluded(const std::string& directory, const std::string& name) override;

    win::TypeInfoDispatch dispatch_;
    win::ConnectionPoint events_;
    win::Window window_;
    std::wstring currentVolume_;
    std::vector<std::unique_ptr<VolumeRecord>> records_;
    BusyFlag busy_;
    win::Handle worker_;
    std::atomic<bool> workerExiting_{false};
    win::Handle wake_;
    std::wstring adviseClsid_;
    bool adviseSet_ = false;
    EngineSettings settings_;
    mutable std::mutex settingsLock_;
    std::uint32_t nextSerial_ = 1;
    DWORD workerId_ = 0;
    std::atomic<bool> disabled_{false};
    std::atomic<bool> exclusionsActive_{false};
    std::atomic<bool> initializing_{false};
    std::atomic<bool> initialized_{false};
    std::atomic<bool> closing_{false};
    CensusState census_;
    VolumeRecord* scanning_ = nullptr;  // the worker's record during a walk
    Win32DirectoryLister lister_;
};

}  // namespace raredaro
