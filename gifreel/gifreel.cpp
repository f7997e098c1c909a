// gifreel.ocx: the module, its class table and its registration.
#include <windows.h>
#include <olectl.h>

#include "gifreel.h"
#include "gifreel_ctrl.h"
#include "resource.h"
#include "win32/class_factory.h"
#include "win32/server_exports.h"
#include "win32/control.h"
#include "win32/hresult.h"
#include "win32/property_page.h"
#include "win32/registration.h"

namespace {

const wchar_t kLibId[] = L"{C8373FC7-E31B-11D3-A08C-00C04F68FC09}";
const win::ClassRegistration kControl = {L"{C8373FCA-E31B-11D3-A08C-00C04F68FC09}", L"Gifreel Control",
                                         L"GIFREEL.GifreelCtrl.1", nullptr, L"Apartment", kLibId, false};
const win::ClassRegistration kPropertyPage = {L"{C8373FCB-E31B-11D3-A08C-00C04F68FC09}", L"Gifreel Property Page",
                                              L"GIFREEL.GifreelPropPage.1", nullptr, L"Apartment", nullptr, false};

const win::ClassEntry kClasses[] = {
    {&CLSID_Gifreel, &CGifreelCtrl::create},
    {&CLSID_GifreelPropPage, &win::EmptyPropertyPage::creator<IDD_PROPPAGE_GIFREEL, IDS_GIFREEL_PPG>},
};

}  // namespace

KM_INPROC_SERVER_EXPORTS(kClasses)

STDAPI DllRegisterServer() {
    return win::RegisterControlModule({&kControl, &kPropertyPage, CGifreelCtrl::kClass.miscStatus, IDB_GIFREEL, L"1.0"});
}

STDAPI DllUnregisterServer() {
    return win::UnregisterControlModule({&kControl, &kPropertyPage, CGifreelCtrl::kClass.miscStatus, IDB_GIFREEL, L"1.0"});
}
