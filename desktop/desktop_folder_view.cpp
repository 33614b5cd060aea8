#include "desktop/desktop_folder_view.h"

#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// A step that answered success without the object counts as failed too.
HRESULT Failed(HRESULT result) { return FAILED(result) ? result : E_FAIL; }

}  // namespace

HRESULT ReachDesktopFolderView(ComRef<IFolderView>& view) {
    view.Reset();
    // CLSCTX_ALL: on Windows the list lives in the shell's process, and a server
    // registered in-process for the class is taken as well.
    ComRef<IShellWindows> windows;
    HRESULT result = windows.Obtain([](IShellWindows** out) {
        return CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                reinterpret_cast<void**>(out));
    });
    if (FAILED(result) || !windows) {
        return Failed(result);
    }
    // Plain VARIANTs set by hand: VariantInit would import another DLL for one
    // assignment.
    VARIANT location = {};
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    VARIANT root = {};
    root.vt = VT_EMPTY;
    ComRef<IDispatch> desktop;
    result = desktop.Obtain([&](IDispatch** out) {
        long window = 0;
        return windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, out);
    });
    // S_FALSE: the shell knows no desktop window.
    if (result != S_OK || !desktop) {
        return Failed(result);
    }
    ComRef<IServiceProvider> services;
    result = services.Obtain([&](IServiceProvider** out) {
        return desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(out));
    });
    if (FAILED(result) || !services) {
        return Failed(result);
    }
    ComRef<IShellBrowser> browser;
    result = browser.Obtain([&](IShellBrowser** out) {
        return services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, reinterpret_cast<void**>(out));
    });
    if (FAILED(result) || !browser) {
        return Failed(result);
    }
    ComRef<IShellView> shellView;
    result = shellView.Obtain([&](IShellView** out) { return browser->QueryActiveShellView(out); });
    if (FAILED(result) || !shellView) {
        return Failed(result);
    }
    result = view.Obtain(
        [&](IFolderView** out) { return shellView->QueryInterface(IID_IFolderView, reinterpret_cast<void**>(out)); });
    return FAILED(result) || !view ? Failed(result) : S_OK;
}
