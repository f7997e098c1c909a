#include "raredaro/trigger.h"

#include <objbase.h>

#include "raredaro/core/decisions.h"
#include "raredaro/exclusions.h"
#include "raredaro/record_store.h"
#include "win32/bstr.h"
#include "win32/com_module.h"
#include "win32/hresult.h"
#include "win32/strings.h"

static_assert(sizeof(TAdvisePriority) == 4, "enums cross COM as 32-bit values");
static_assert(sizeof(TScheduleZone) == 4, "enums cross COM as 32-bit values");
static_assert(sizeof(TNumberType) == 4, "enums cross COM as 32-bit values");

namespace raredaro {

namespace {

const wchar_t kWindowClass[] = L"RaredaroTriggerWindow";
constexpr DWORD kIdleWakeMs = 3600000;  // an idle worker looks again hourly

void SleepMs(unsigned ms) { ::Sleep(ms); }

std::uint64_t NowFileTime() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

bool RegisterWindowClassOnce() {
    WNDCLASSW wc = {};
    if (::GetClassInfoW(win::ComModule::instance(), kWindowClass, &wc)) return true;
    wc.lpfnWndProc = ::DefWindowProcW;  // replaced per window
    wc.hInstance = win::ComModule::instance();
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LONG FilesOut(std::uint64_t count) { return (count >> 32) ? -1 : static_cast<LONG>(count); }

}  // namespace

Trigger::Trigger(IUnknown* outer)
    : win::ComObjectBase(outer),
      dispatch_(LIBID_RAREDAROLib, 1, 0, IID_IOKMTrigger, 1, 0x0409),
      events_(controllingUnknown(), this, DIID__IOKMTriggerEvents),
      busy_(&SleepMs) {}

Trigger::~Trigger() = default;

HRESULT Trigger::create(IUnknown* outer, REFIID iid, void** out) {
    return win::CreateComObject<Trigger>(outer, iid, out);
}

HRESULT Trigger::queryInterfaceImpl(REFIID iid, void** out) {
    if (iid == IID_IOKMTrigger || iid == IID_IDispatch)
        *out = static_cast<IOKMTrigger*>(this);
    else if (iid == IID_IOKMStorageVolume)
        *out = static_cast<IOKMStorageVolume*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

HRESULT Trigger::finalConstruct() {
    RetainExclusions();  // balanced by finalRelease, which runs even when this fails
    {
        std::lock_guard<std::mutex> lock(settingsLock_);
        LoadSettings(&settings_, &adviseClsid_, &adviseSet_);
    }
    if (!RegisterWindowClassOnce()) return win::HResultFromLastErrorOr(E_FAIL);
    window_.reset(::CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    win::ComModule::instance(), nullptr));
    if (!window_) return win::HResultFromLastErrorOr(E_FAIL);
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Trigger::windowProc));
    return S_OK;
}

void Trigger::finalRelease() {
    closing_ = true;  // no more events: the clients let go of us
    // A sink may let go of us while handling an event the worker sent: answer
    // the worker first, or it would wait on us while we wait on it.
    if (::InSendMessage()) ::ReplyMessage(E_ABORT);
    // The worker never blocks while it holds the flag, so waiting is safe,
    // and the list must not change under this walk.
    while (!busy_.acquire()) {
    }
    for (auto& r : records_) r->set(StatusCancel);
    busy_.release();
    if (worker_) {
        if (wake_) ::SetEvent(wake_.get());
        // The worker may be waiting in SendMessage on this thread: let those
        // through, and nothing else, until it has seen the cancel and ended.
        HANDLE thread = worker_.get();
        while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        worker_.reset();
    }
    window_.reset();
    records_.clear();
    currentVolume_.clear();
    adviseClsid_.clear();
    wake_.reset();
    events_.unadviseAll();
    FreeExclusions();
}

// ---- record list (busy flag held) ----

VolumeRecord* Trigger::findById(BSTR id) {
    if (!id) return nullptr;
    const UINT length = ::SysStringLen(id);
    for (auto& r : records_)
        if (r->id.size() == length && r->id.compare(0, length, id, length) == 0) return r.get();
    return nullptr;
}

VolumeRecord* Trigger::findByVolume() {
    for (auto& r : records_)
        if (r->volume == currentVolume_) return r.get();
    return nullptr;
}

void Trigger::append(std::unique_ptr<VolumeRecord> record) {
    record->index = static_cast<std::uint8_t>(records_.size() + 1);
    record->serial = nextSerial_++;
    records_.push_back(std::move(record));
}

VolumeRecord* Trigger::findOrLoadOrCreate(bool* added) {
    *added = false;
    if (VolumeRecord* r = findByVolume()) return r;
    if (currentVolume_.empty()) return nullptr;
    std::unique_ptr<VolumeRecord> record = LoadRecord(currentVolume_);
    if (!record) {
        GUID guid;
        if (FAILED(::CoCreateGuid(&guid))) return nullptr;
        record = std::make_unique<VolumeRecord>();
        record->id = win::GuidToString(guid);
        if (record->id.empty()) return nullptr;
        record->volume = currentVolume_;
        record->status = StatusPending;
    }
    VolumeRecord* r = record.get();
    append(std::move(record));
    *added = true;
    return r;
}

bool Trigger::lastRecordIdle() const {
    return !records_.empty() && !records_.back()->has(StatusPending | StatusScanning);
}

// ---- IOKMTrigger ----

STDMETHODIMP Trigger::TAdvise(BSTR handle, BSTR* advise) {
    return win::Guard([&]() -> HRESULT {
        if (!advise) return E_POINTER;
        *advise = nullptr;
        BusyScope busy(busy_);
        if (!busy.held()) return kBusyTimeout;
        if (!win::IsEmptyBstr(handle) && !findById(handle)) return E_INVALIDARG;
        *advise = ::SysAllocString(adviseClsid_.c_str());
        return *advise ? S_OK : win::HResultFromLastErrorOr(E_OUTOFMEMORY);
    });
}

STDMETHODIMP Trigger::TCancel(BSTR handle) {
    return win::Guard([&]() -> HRESULT {
        {
            BusyScope busy(busy_);
            if (!busy.held()) return kBusyTimeout;
            if (!win::IsEmptyBstr(handle)) {
                VolumeRecord* r = findById(handle);
                if (!r) return S_FALSE;
                r->set(StatusCancel);
            } else {
                for (auto& r : records_) r->set(StatusCancel);
            }
        }
        wakeWorker(true);
        return S_OK;
    });
}

STDMETHODIMP Trigger::TDisable(BSTR handle, LONG disable) {
    return win::Guard([&]() -> HRESULT {
        {
            BusyScope busy(busy_);
            if (!busy.held()) return kBusyTimeout;
            if (!win::IsEmptyBstr(handle)) {
                VolumeRecord* r = findById(handle);
                if (!r) return S_FALSE;
                disable ? r->set(StatusDisabled) : r->clear(StatusDisabled);
            } else {
                disabled_ = disable != 0;
            }
        }
        wakeWorker(true);
        return S_OK;
    });
}

STDMETHODIMP Trigger::TInitialize(LONG, LONG force) {
    return win::Guard([&]() -> HRESULT {
        initializing_ = true;
        HRESULT hr = S_OK;
        char narrow[] = "A:\\";
        wchar_t wide[] = L"A:\\";
        for (char letter = 'A'; letter <= 'Z' && SUCCEEDED(hr); ++letter) {
            narrow[0] = letter;
            wide[0] = static_cast<wchar_t>(letter);
            if (::GetDriveTypeA(narrow) != DRIVE_FIXED) continue;
            win::Bstr root(wide);
            if (!root.valid()) {
                hr = E_OUTOFMEMORY;
                break;
            }
            hr = SetVolume(root.get(), nullptr);
            if (SUCCEEDED(hr)) hr = TStart(nullptr, force, TRUE);
        }
        if (SUCCEEDED(hr)) initialized_ = true;
        initializing_ = false;
        return hr;
    });
}

STDMETHODIMP Trigger::TRespond(BSTR, TAdvisePriority, LONG) { return E_NOTIMPL; }

STDMETHODIMP Trigger::TStart(BSTR* handle, LONG force, LONG refreshThreshold) {
    return win::Guard([&]() -> HRESULT {
        if (handle) *handle = nullptr;
        HRESULT hr = S_OK;
        {
            BusyScope busy(busy_);
            if (!busy.held()) {
                wakeWorker(true);
                return kBusyTimeout;
            }
            if (currentVolume_.empty()) return E_INVALIDARG;
            if (refreshThreshold == 1) {
                std::lock_guard<std::mutex> lock(settingsLock_);
                LoadSettings(&settings_, &adviseClsid_, &adviseSet_);
            }
            const bool forced = force == 1 || (initializing_ && settings_.scheduleZone == ZoneStartup);
            bool added = false;
            VolumeRecord* r = findOrLoadOrCreate(&added);
            if (!r) return E_FAIL;
            r->set(StatusPending | (forced ? std::uint32_t{StatusForce} : 0u));
            if (added) {
                hr = wakeWorker(false);
                if (FAILED(hr)) return hr;
            }
            if (handle) {
                *handle = ::SysAllocStringLen(r->id.data(), static_cast<UINT>(r->id.size()));
                if (!*handle) hr = E_OUTOFMEMORY;
            }
        }
        wakeWorker(true);
        return hr;
    });
}

// ---- IOKMStorageVolume ----

STDMETHODIMP Trigger::SetVolume(BSTR volume, BSTR* handle) {
    return win::Guard([&]() -> HRESULT {
        BusyScope busy(busy_);
        if (!busy.held()) return kBusyTimeout;
        currentVolume_.clear();
        if (!volume || ::SysStringLen(volume) < 2 || volume[1] != L':') return E_INVALIDARG;
        wchar_t letter = volume[0];
        if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - L'a' + L'A');
        if (letter < L'A' || letter > L'Z') return E_INVALIDARG;
        currentVolume_ = {letter, L':', L'\\'};
        if (!handle) return S_OK;
        bool added;
        VolumeRecord* r = findOrLoadOrCreate(&added);
        if (!r) return E_FAIL;
        BSTR id = ::SysAllocStringLen(r->id.data(), static_cast<UINT>(r->id.size()));
        if (!id) return win::HResultFromLastErrorOr(E_OUTOFMEMORY);
        *handle = id;
        return S_OK;
    });
}

STDMETHODIMP Trigger::Raredaro(BSTR handle, BSTR* volume, unsigned char* percentKnown, LONG* filesTotal,
                               LONG* filesProtected, LONG* bytesTotal, TNumberType* typeBytesTotal,
                               LONG* bytesProtected, TNumberType* typeBytesProtected) {
    return win::Guard([&]() -> HRESULT {
        BusyScope busy(busy_);
        if (!busy.held()) return kBusyTimeout;
        VolumeRecord* r = findById(handle);
        if (!r) return E_INVALIDARG;
        if (percentKnown) {
            if (r->has(StatusComplete))
                *percentKnown = 100;
            else if (r->has(StatusPending))
                *percentKnown = 0;
            else
                *percentKnown = static_cast<unsigned char>(census_.progress() / 10);
        }
        const VolumeCounts counts = r->counts;  // may be mid-census: partial figures
        if (filesTotal) *filesTotal = FilesOut(counts.files);
        if (filesProtected) *filesProtected = FilesOut(counts.filesProtected);
        const ScaledBytes total = ScaleBytes(counts.bytes);
        const ScaledBytes safe = ScaleBytes(counts.bytesProtected);
        if (bytesTotal) *bytesTotal = total.value;
        if (typeBytesTotal) *typeBytesTotal = static_cast<TNumberType>(total.unit);
        if (bytesProtected) *bytesProtected = safe.value;
        if (typeBytesProtected) *typeBytesProtected = static_cast<TNumberType>(safe.unit);
        if (volume) {
            *volume = ::SysAllocStringLen(r->volume.data(), static_cast<UINT>(r->volume.size()));
            if (!*volume) return E_OUTOFMEMORY;
        }
        return S_OK;
    });
}

// The setters change the settings under their own small lock, never the
// list's busy flag; the worker reads a copy under the same lock.
template <class Change>
HRESULT Trigger::changeSettings(Change change) {
    return win::Guard([&] {
        EngineSettings copy;
        {
            std::lock_guard<std::mutex> lock(settingsLock_);
            change(settings_);
            copy = settings_;
        }
        return SaveSettings(copy) ? S_OK : E_FAIL;
    });
}

EngineSettings Trigger::settingsCopy() const {
    std::lock_guard<std::mutex> lock(settingsLock_);
    return settings_;
}

STDMETHODIMP Trigger::SetSchedule(TScheduleZone zone, USHORT hours, USHORT days) {
    return changeSettings([&](EngineSettings& s) {
        s.scheduleZone = static_cast<std::int32_t>(zone);
        s.scheduleHours = hours;
        s.scheduleDays = days;
    });
}

STDMETHODIMP Trigger::SetPercentFilesThreshold(USHORT threshold) {
    // Kept in 16 bits: values above 6553 wrap.
    return changeSettings([&](EngineSettings& s) { s.percentFilesThreshold = static_cast<std::uint16_t>(threshold * 10); });
}

STDMETHODIMP Trigger::SetFilesThreshold(USHORT threshold) {
    return changeSettings([&](EngineSettings& s) { s.filesThreshold = threshold; });
}

STDMETHODIMP Trigger::SetMBThreshold(USHORT threshold) {
    return changeSettings([&](EngineSettings& s) { s.mbThreshold = threshold; });
}

STDMETHODIMP Trigger::GetPercentFilesThreshold(USHORT* threshold) {
    if (!threshold) return E_POINTER;
    *threshold = static_cast<USHORT>(settings_.percentFilesThreshold / 10);
    return S_OK;
}

STDMETHODIMP Trigger::GetFilesThreshold(USHORT* threshold) {
    if (!threshold) return E_POINTER;
    *threshold = settings_.filesThreshold;
    return S_OK;
}

STDMETHODIMP Trigger::GetMBThreshold(USHORT* threshold) {
    if (!threshold) return E_POINTER;
    *threshold = settings_.mbThreshold;
    return S_OK;
}

STDMETHODIMP Trigger::GetSchedule(TScheduleZone* zone, USHORT* hours, USHORT* days) {
    if (zone) *zone = static_cast<TScheduleZone>(settings_.scheduleZone);
    if (hours) *hours = settings_.scheduleHours;
    if (days) *days = settings_.scheduleDays;
    return S_OK;
}

// ---- connection points ----

STDMETHODIMP Trigger::EnumConnectionPoints(IEnumConnectionPoints** out) {
    win::ConnectionPoint* points[] = {&events_};
    return win::EnumConnectionPoints(points, 1, out);
}

STDMETHODIMP Trigger::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    win::ConnectionPoint* points[] = {&events_};
    return win::FindConnectionPoint(points, 1, iid, out);
}

// ---- worker ----

HRESULT Trigger::wakeWorker(bool signal) {
    if (!wake_) {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        wake_.reset(::CreateEventW(&inheritable, FALSE, FALSE, nullptr));
        if (!wake_) return win::HResultFromLastErrorOr(E_FAIL);
    }
    if (worker_ && workerExiting_) {
        // It found the list empty and is on its way out: let it go, start anew.
        ::WaitForSingleObject(worker_.get(), INFINITE);
        worker_.reset();
    }
    if (!worker_) {
        workerExiting_ = false;
        // Lowered before it runs, so that even the exclusion compile is at low
        // priority. (Windows 9x refuses a null thread id.)
        worker_.reset(::CreateThread(nullptr, 0, &Trigger::workerMain, this, CREATE_SUSPENDED, &workerId_));
        if (!worker_) return win::HResultFromLastErrorOr(E_FAIL);
        ::SetThreadPriority(worker_.get(), THREAD_PRIORITY_LOWEST);
        ::ResumeThread(worker_.get());
    }
    if (signal) ::SetEvent(wake_.get());
    return S_OK;
}

DWORD WINAPI Trigger::workerMain(void* self) {
    try {
        static_cast<Trigger*>(self)->workerLoop();
    } catch (...) {
        static_cast<Trigger*>(self)->workerExiting_ = true;
    }
    return 0;
}

void Trigger::workerLoop() {
    if (CompileExclusions() == 0) exclusionsActive_ = true;
    for (;;) {
        VolumeRecord* r = disabled_ ? nullptr : pickNext();
        if (r) {
            runPass(r);
            if (r->has(StatusCancel)) removeRecord(r);
            continue;
        }
        {
            BusyScope busy(busy_);
            if (busy.held()) {
                // A cancelled record that waits for no pass goes now, so that
                // cancelling everything ends the worker.
                for (auto it = records_.begin(); it != records_.end();)
                    it = (*it)->has(StatusCancel) ? records_.erase(it) : it + 1;
                if (records_.empty()) {
                    workerExiting_ = true;  // the next wake starts a new worker
                    return;
                }
            }
        }
        ::WaitForSingleObject(wake_.get(), kIdleWakeMs);
        ::ResetEvent(wake_.get());
    }
}

void Trigger::removeRecord(VolumeRecord* record) {
    // Only the worker removes records, so it may wait for the flag as long as it takes.
    while (!busy_.acquire()) {
    }
    for (auto it = records_.begin(); it != records_.end(); ++it) {
        if (it->get() == record) {
            records_.erase(it);
            break;
        }
    }
    busy_.release();
}

VolumeRecord* Trigger::pickNext() {
    // After a record reported as not due, the walk starts again from the head:
    // the list may have changed while the flag was released for the messages.
    for (;;) {
        if (!busy_.acquire()) return nullptr;
        VolumeRecord* notDue = nullptr;
        for (auto& owned : records_) {
            VolumeRecord* r = owned.get();
            // A cancelled record waits for no pass: it goes when the worker is idle.
            if (!r->has(StatusForce | StatusPending) || r->has(StatusCancel)) continue;
            if (IsDue(r->status.load(), r->lastUpdateTime, NowFileTime(), settingsCopy())) {
                r->clear(StatusComplete | StatusForce | StatusPending);
                r->set(StatusScanning);
                busy_.release();
                return r;
            }
            r->clear(StatusForce | StatusPending);
            notDue = r;
            break;
        }
        busy_.release();
        if (!notDue) return nullptr;
        send(WM_TRIGGER_START, notDue, 0);
        send(WM_TRIGGER_DONE, notDue, S_FALSE);
        notDue->set(StatusComplete);
        win::Guard([&] {
            evaluateAndAdvise(notDue, false);
            return S_OK;
        });
        groupEndCheck();
    }
}

void Trigger::runPass(VolumeRecord* r) {
    std::uint64_t used = 0;
    std::uint32_t cluster = 0;
    ::SetLastError(0);
    HRESULT hr = win::Guard([&] { return QueryVolume(r->volume.empty() ? L'\0' : r->volume[0], &used, &cluster); });
    if (SUCCEEDED(hr)) {
        r->counts.bytes = used;
        census_.reset(used, cluster);
        r->counts.files = r->counts.filesProtected = r->counts.bytesProtected = 0;
        hr = static_cast<HRESULT>(send(WM_TRIGGER_START, r, 0));
        if (SUCCEEDED(hr)) hr = static_cast<HRESULT>(send(WM_TRIGGER_PROGRESS, r, 0));
        if (SUCCEEDED(hr)) {
            scanning_ = r;
            // Out of memory deep in a walk fails this pass, not the worker.
            hr = win::Guard([&] { return WalkVolume(r->volume.substr(0, 2), lister_, *this, census_, &r->counts); });
            scanning_ = nullptr;
        }
        if (SUCCEEDED(hr)) {
            r->set(StatusComplete);
            r->lastUpdateTime = NowFileTime();
            census_.setProgress(1000);
            send(WM_TRIGGER_PROGRESS, r, 1000);
        }
    }
    r->clear(StatusScanning);
    send(WM_TRIGGER_DONE, r, hr);
    if (SUCCEEDED(hr) && r->has(StatusComplete)) {
        win::Guard([&] {
            evaluateAndAdvise(r, true);
            return S_OK;
        });
    }
    groupEndCheck();
}

void Trigger::evaluateAndAdvise(VolumeRecord* r, bool save) {
    std::uint32_t status = r->status.load();
    const bool advise = EvaluateThresholds(r->counts, settingsCopy(), &status);
    // Only the over-threshold bits change here; a method may set others meanwhile.
    const std::uint32_t over = StatusOverPercent | StatusOverFiles | StatusOverMB;
    r->clear(over & ~status);
    r->set(status & over);
    // Saved before the advise goes out: a client that ends on the advise must
    // not lose a complete census to the cancel of its final release.
    if (save && !r->has(StatusCancel)) SaveRecord(*r);
    if (advise && !closing_)
        ::PostMessageW(window_.get(), WM_TRIGGER_ADVISE, static_cast<WPARAM>(r->serial), APNormal);
}

void Trigger::groupEndCheck() {
    if (initializing_ || !initialized_ || closing_) return;
    bool idle;
    {
        while (!busy_.acquire()) {
        }
        idle = lastRecordIdle();
        busy_.release();
    }
    if (!idle) return;
    // TEEnd goes straight from this thread. A sink that lets go of us here
    // must not end us on the worker: the last reference is dropped on the
    // object's thread instead.
    controllingUnknown()->AddRef();
    events_.fire(5, {win::Variant(0L)});  // TEEnd
    if (!releaseUnlessLast()) ::PostMessageW(window_.get(), WM_TRIGGER_RELEASE, 1, 0);
}

LRESULT Trigger::send(UINT message, VolumeRecord* record, LPARAM value) {
    return ::SendMessageW(window_.get(), message, reinterpret_cast<WPARAM>(record), value);
}

// ---- CensusHost ----

bool Trigger::cancelled() { return scanning_ && scanning_->has(StatusCancel); }

HRESULT Trigger::reportProgress(std::int16_t progress) {
    return static_cast<HRESULT>(send(WM_TRIGGER_PROGRESS, scanning_, progress));
}

bool Trigger::directoryExcluded(const std::string& directory) { return IsDirectoryExcluded(directory); }

bool Trigger::fileExcluded(const std::string& directory, const std::string& name) {
    return IsFileExcluded(directory, name);
}

// ---- hidden window ----

LRESULT CALLBACK Trigger::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRIGGER_RELEASE) {
        auto* self = reinterpret_cast<Trigger*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) self->controllingUnknown()->Release();
        return 0;
    }
    if (message >= WM_TRIGGER_DONE && message <= WM_TRIGGER_ADVISE) {
        auto* self = reinterpret_cast<Trigger*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return E_FAIL;
        return win::Guard(
            [&] { return static_cast<HRESULT>(self->onTriggerMessage(message, reinterpret_cast<VolumeRecord*>(wParam), lParam)); });
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Trigger::onTriggerMessage(UINT message, VolumeRecord* record, LPARAM value) {
    if (!record) return E_FAIL;
    if (closing_) return S_OK;
    switch (message) {
        case WM_TRIGGER_START:
            events_.fire(4, {win::Variant(record->id.c_str())});
            break;
        case WM_TRIGGER_PROGRESS:
            events_.fire(3, {win::Variant(record->id.c_str()), win::Variant(static_cast<short>(value & 0xFFFF))});
            break;
        case WM_TRIGGER_DONE: {
            for (int i = 0; i < 30 && initializing_; ++i) ::Sleep(500);
            // The worker waits in SendMessage, so the list holds still.
            const bool groupDone = !initializing_ && initialized_ && lastRecordIdle();
            events_.fire(2, {win::Variant(record->id.c_str()),
                             win::Variant(static_cast<long>(groupDone ? S_GROUPDONE : static_cast<HRESULT>(value)))});
            break;
        }
        case WM_TRIGGER_ADVISE: {
            // Posted, so the record may be gone since; it is named by its serial,
            // as a freed record's address may already hold another one.
            const auto serial = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(record));
            std::wstring id;
            long flags = 0;
            {
                BusyScope busy(busy_);
                if (!busy.held()) return E_FAIL;
                VolumeRecord* live = nullptr;
                for (auto& r : records_)
                    if (r->serial == serial) live = r.get();
                if (!live) return E_FAIL;
                id = live->id;
                const std::uint32_t s = live->status.load();
                flags = ((s & StatusOverPercent) ? 1 : 0) | ((s & StatusOverFiles) ? 2 : 0) | ((s & StatusOverMB) ? 4 : 0);
            }
            if (!adviseSet_) return S_OK;  // no AdviseCLSID: nobody to advise
            events_.fire(1, {win::Variant(id.c_str()), win::Variant(adviseClsid_.c_str()),
                             win::Variant(static_cast<long>(value)), win::Variant(flags)});
            break;
        }
    }
    return S_OK;
}

}  // namespace raredaro
