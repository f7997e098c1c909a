// graph.ocx: the module, its class table and its registration.
#include <windows.h>
#include <olectl.h>

#include "graph.h"
#include "graph_ctrl.h"
#include "resource.h"
#include "win32/class_factory.h"
#include "win32/server_exports.h"
#include "win32/control.h"
#include "win32/hresult.h"
#include "win32/property_page.h"
#include "win32/registration.h"

namespace {

const wchar_t kLibId[] = L"{C6173BC2-55C5-11D3-80B8-005004AD33D2}";
const win::ClassRegistration kControl = {L"{C6173BC5-55C5-11D3-80B8-005004AD33D2}", L"Graph Control",
                                         L"GRAPH.GraphCtrl.1", nullptr, L"Apartment", kLibId, false};
const win::ClassRegistration kPropertyPage = {L"{C6173BC6-55C5-11D3-80B8-005004AD33D2}", L"Graph Property Page",
                                              L"GRAPH.GraphPropPage.1", nullptr, L"Apartment", nullptr, false};

const win::ClassEntry kClasses[] = {
    {&CLSID_Graph, &CGraphCtrl::create},
    {&CLSID_GraphPropPage, &win::EmptyPropertyPage::creator<IDD_PROPPAGE_GRAPH, IDS_GRAPH_PPG>},
};

}  // namespace

KM_INPROC_SERVER_EXPORTS(kClasses)

STDAPI DllRegisterServer() {
    return win::RegisterControlModule({&kControl, &kPropertyPage, CGraphCtrl::kClass.miscStatus, IDB_GRAPH, L"1.0"});
}

STDAPI DllUnregisterServer() {
    return win::UnregisterControlModule({&kControl, &kPropertyPage, CGraphCtrl::kClass.miscStatus, IDB_GRAPH, L"1.0"});
}
