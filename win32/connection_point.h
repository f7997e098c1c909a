// Connection points for dispinterface events, with any number of sinks.
// Lives inside the object that raises the events; its references are the
// object's references.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "bstr.h"

namespace win {

class ConnectionPoint final : public IConnectionPoint {
public:
    // owner: the object's controlling unknown; container: its IConnectionPointContainer.
    ConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID eventsIid);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    REFIID eventsIid() const { return iid_; }
    std::size_t sinkCount() const;
    void unadviseAll();

    // Calls IDispatch::Invoke(id, DISPATCH_METHOD) on every sink in turn, with
    // the arguments in their natural order; the sinks' results are ignored.
    // Safe from any thread: sinks are called outside the lock, on the caller's thread.
    void fire(DISPID id, std::vector<Variant> args = {}) const;

private:
    IUnknown* owner_;
    IConnectionPointContainer* container_;
    IID iid_;
    mutable CRITICAL_SECTION lock_;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD nextCookie_ = 1;
};

// Bodies of IConnectionPointContainer over a fixed set of points.
HRESULT FindConnectionPoint(ConnectionPoint* const* points, std::size_t count, REFIID iid, IConnectionPoint** out);
HRESULT EnumConnectionPoints(ConnectionPoint* const* points, std::size_t count, IEnumConnectionPoints** out);

}  // namespace win
