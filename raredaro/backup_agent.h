// KMBackupAgent: acts on the trigger's advise. It finds the installed backup
// application through its App Paths entry, starts it and waits until it
// ends, keeping the caller's messages flowing, and tells whether it runs and
// what it is called from the application's own PCONFIG.DCF.
#pragma once
#include <windows.h>

#include <string>

#include "agent.h"  // made by widl from agent.idl
#include "win32/com_object.h"
#include "win32/connection_point.h"
#include "win32/dispatch.h"
#include "win32/handle.h"

namespace raredaro {

class Agent final : public IKMAgent, public IConnectionPointContainer, public win::ComObjectBase {
public:
    explicit Agent(IUnknown* outer);

    static HRESULT create(IUnknown* outer, REFIID iid, void** out);

    KM_DELEGATE_IUNKNOWN
    KM_IMPLEMENT_IDISPATCH(dispatch_)

    // IKMAgent
    STDMETHODIMP Start() override;
    STDMETHODIMP Cancel() override;
    STDMETHODIMP GetExitStatus(ExitStatus* result) override;
    STDMETHODIMP get_Active(VARIANT_BOOL* active) override;
    STDMETHODIMP get_Name(BSTR* name) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    HRESULT finalConstruct() override;
    void finalRelease() override;

protected:
    HRESULT queryInterfaceImpl(REFIID iid, void** out) override;

private:
    void readConfiguration();

    win::TypeInfoDispatch dispatch_;
    win::ConnectionPoint events_;
    win::RegKey application_;  // its App Paths entry, for the object's lifetime
    std::string className_;    // of its main window; empty until read
    std::string displayName_;
    // Nothing has run yet; a Start sets one of the other two.
    ExitStatus exitStatus_ = ExitStatusFailure;
};

}  // namespace raredaro
