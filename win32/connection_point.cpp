#include "connection_point.h"

#include <algorithm>

#include "enumerator.h"
#include "hresult.h"

namespace win {

namespace {

class LockScope {
public:
    explicit LockScope(CRITICAL_SECTION* cs) : cs_(cs) { ::EnterCriticalSection(cs_); }
    ~LockScope() { ::LeaveCriticalSection(cs_); }

private:
    CRITICAL_SECTION* cs_;
};

}  // namespace

ConnectionPoint::ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID eventsIid)
    : owner_(owner), container_(container), iid_(eventsIid) {
    ::InitializeCriticalSection(&lock_);
}

ConnectionPoint::~ConnectionPoint() {
    unadviseAll();
    ::DeleteCriticalSection(&lock_);
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    return Guard([&] {
        LockScope lock(&lock_);
        try {
            sinks_.emplace_back(nextCookie_, dispatch);
        } catch (...) {
            dispatch->Release();
            throw;
        }
        *cookie = nextCookie_++;
        return S_OK;
    });
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    IDispatch* sink = nullptr;
    {
        LockScope lock(&lock_);
        auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& s) { return s.first == cookie; });
        if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
        sink = it->second;
        sinks_.erase(it);
    }
    sink->Release();  // outside the lock: the sink's teardown may call back
    return S_OK;
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        std::vector<CONNECTDATA> items;
        {
            LockScope lock(&lock_);
            for (const auto& s : sinks_) items.push_back(CONNECTDATA{s.second, s.first});
        }
        *out = ConnectionEnumerator::create(std::move(items));
        return *out ? S_OK : E_OUTOFMEMORY;
    });
}

std::size_t ConnectionPoint::sinkCount() const {
    LockScope lock(&lock_);
    return sinks_.size();
}

void ConnectionPoint::unadviseAll() {
    std::vector<std::pair<DWORD, IDispatch*>> sinks;
    {
        LockScope lock(&lock_);
        sinks.swap(sinks_);
    }
    for (auto& s : sinks) s.second->Release();
}

void ConnectionPoint::fire(DISPID id, std::vector<Variant> args) const {
    std::vector<IDispatch*> sinks;
    try {
        LockScope lock(&lock_);
        sinks.reserve(sinks_.size());
        for (const auto& s : sinks_) {
            s.second->AddRef();
            sinks.push_back(s.second);
        }
    } catch (...) {
        for (IDispatch* s : sinks) s->Release();
        return;
    }
    // DISPPARAMS wants the arguments last to first.
    std::reverse(args.begin(), args.end());
    static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must be a bare VARIANT");
    DISPPARAMS params{args.empty() ? nullptr : reinterpret_cast<VARIANTARG*>(args.data()), nullptr,
                      static_cast<UINT>(args.size()), 0};
    for (IDispatch* sink : sinks) {
        Variant result;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr);
        sink->Release();
    }
}

HRESULT FindConnectionPoint(ConnectionPoint* const* points, std::size_t count, REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        if (points[i]->eventsIid() == iid) {
            *out = points[i];
            points[i]->AddRef();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT EnumConnectionPoints(ConnectionPoint* const* points, std::size_t count, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        std::vector<IConnectionPoint*> items(points, points + count);
        *out = ConnectionPointEnumerator::create(std::move(items));
        return *out ? S_OK : E_OUTOFMEMORY;
    });
}

}  // namespace win
