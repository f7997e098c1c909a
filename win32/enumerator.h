// A COM enumerator (IEnumConnections, IEnumConnectionPoints, ...) over a
// snapshot of items taken when it is made.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <utility>
#include <vector>

#include "com_module.h"
#include "hresult.h"

namespace win {

// Traits: static REFIID iid(); static void addRef(Item&); static void release(Item&).
template <class IEnum, class Item, class Traits>
class Enumerator final : public IEnum {
public:
    // Takes its own reference to every item.
    explicit Enumerator(std::vector<Item> items, std::size_t position = 0)
        : items_(std::move(items)), position_(position) {
        for (Item& item : items_) Traits::addRef(item);
        ComModule::objectCreated();
    }
    ~Enumerator() {
        for (Item& item : items_) Traits::release(item);
        ComModule::objectDestroyed();
    }

    // New enumerator with one reference, or nullptr when out of memory.
    static IEnum* create(std::vector<Item> items) {
        try {
            return new Enumerator(std::move(items));
        } catch (...) {
            return nullptr;
        }
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == Traits::iid()) {
            *out = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && position_ < items_.size()) {
            out[n] = items_[position_++];
            Traits::addRef(out[n]);
            ++n;
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        if (count > left) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnum** out) override {
        if (!out) return E_POINTER;
        return Guard([&] {
            *out = new Enumerator(items_, position_);
            return S_OK;
        });
    }

private:
    std::vector<Item> items_;
    std::size_t position_;
    volatile LONG refs_ = 1;
};

struct ConnectDataTraits {
    static REFIID iid() { return IID_IEnumConnections; }
    static void addRef(CONNECTDATA& d) {
        if (d.pUnk) d.pUnk->AddRef();
    }
    static void release(CONNECTDATA& d) {
        if (d.pUnk) d.pUnk->Release();
    }
};
using ConnectionEnumerator = Enumerator<IEnumConnections, CONNECTDATA, ConnectDataTraits>;

struct ConnectionPointTraits {
    static REFIID iid() { return IID_IEnumConnectionPoints; }
    static void addRef(IConnectionPoint*& p) { p->AddRef(); }
    static void release(IConnectionPoint*& p) { p->Release(); }
};
using ConnectionPointEnumerator = Enumerator<IEnumConnectionPoints, IConnectionPoint*, ConnectionPointTraits>;

}  // namespace win
