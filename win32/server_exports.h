// DllMain, DllGetClassObject and DllCanUnloadNow of an in-process server,
// written once: put KM_INPROC_SERVER_EXPORTS(classes) in the module's .cpp,
// where classes is its array of win::ClassEntry. Registration stays with the
// module, since each writes keys of its own.
#pragma once
#include <windows.h>

#include "win32/class_factory.h"
#include "win32/com_module.h"

#define KM_INPROC_SERVER_EXPORTS(classes)                                                        \
    extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {                  \
        if (reason == DLL_PROCESS_ATTACH) {                                                    \
            win::ComModule::setInstance(instance);                                             \
            ::DisableThreadLibraryCalls(instance);                                             \
        }                                                                                      \
        return TRUE;                                                                           \
    }                                                                                          \
    STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {                         \
        return win::GetClassObject(classes, sizeof(classes) / sizeof((classes)[0]), clsid, iid, out); \
    }                                                                                          \
    STDAPI DllCanUnloadNow() { return win::ComModule::canUnloadNow(); }
