// The stand-in shell server: an in-process COM server that the test prefix
// registers for the shell's window list (by TreatAs), so that the program under
// test reaches the desktop fixture's folder view the way it reaches the
// shell's: the window list, the desktop's browser, its active view. Each call
// is carried to the fixture (see stand_in_protocol.h); every object reports
// to the fixture when it comes to be and when its last reference goes, so that
// a test can tell whether the program released everything it obtained.

#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "shell_stand_in/stand_in_protocol.h"

namespace {

LONG liveObjects = 0;
LONG serverLocks = 0;

// The fixture's block, mapped once for the life of the process; null when no
// fixture plays the shell.
StandInBlock* FixtureBlock() {
    static StandInBlock* block = [] {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, kStandInBlockName);
        if (mapping == nullptr) return static_cast<StandInBlock*>(nullptr);
        void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kStandInBlockSize);
        CloseHandle(mapping);  // the view keeps the section
        return static_cast<StandInBlock*>(view);
    }();
    return block;
}

// Carries the call in the block to the fixture and returns its answer.
HRESULT Ask(StandInBlock* block, StandInCall call) {
    const HWND fixture = reinterpret_cast<HWND>(static_cast<uintptr_t>(block->fixtureWindow));
    if (!IsWindow(fixture)) return E_FAIL;
    block->call = call;
    const LRESULT answer = SendMessageW(fixture, kStandInCallMessage, 0, 0);
    if (answer == kStandInHang) {
        // A shell that does not answer: the caller has to give up on this call.
        // Once released, the call is answered as the fixture now answers it.
        const HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, kStandInReleaseName);
        if (release == nullptr) {
            for (;;)
                Sleep(INFINITE);
        }
        WaitForSingleObject(release, INFINITE);
        CloseHandle(release);
        return Ask(block, call);
    }
    return static_cast<HRESULT>(answer);
}

HRESULT Notify(StandInCall call, StandInObject kind) {
    StandInBlock* block = FixtureBlock();
    if (!block) return E_FAIL;
    block->index = static_cast<int32_t>(kind);
    return Ask(block, call);
}

UINT IdListSize(PCUIDLIST_RELATIVE idList) {
    const auto* at = reinterpret_cast<const uint8_t*>(idList);
    UINT size = 0;
    for (USHORT part; (part = static_cast<USHORT>(at[size] | (at[size + 1] << 8))) != 0;)
        size += part;
    return size + sizeof(USHORT);
}

// Reference counting and the reports to the fixture, for objects of one kind.
class Counted {
protected:
    explicit Counted(StandInObject kind) : kind_(kind) {
        InterlockedIncrement(&liveObjects);
        Notify(StandInCall::ObjectMade, kind_);
    }
    virtual ~Counted() { InterlockedDecrement(&liveObjects); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    ULONG Add() { return InterlockedIncrement(&references_); }
    ULONG Drop() {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            Notify(StandInCall::ObjectGone, kind_);
            delete this;
        }
        return left;
    }

private:
    const StandInObject kind_;
    LONG references_ = 1;
};

template <typename Interface>
bool Offer(REFIID asked, Interface* object, void** result) {
    if (!IsEqualIID(asked, __uuidof(Interface))) return false;
    object->AddRef();
    *result = object;
    return true;
}

// The IDispatch part every automation object of the shell carries; nothing
// here is reached through it.
template <typename Base>
class NoAutomation : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

class FolderView final : public IShellView, public IFolderView, private Counted {
public:
    FolderView() : Counted(StandInObject::FolderView) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (IsEqualIID(asked, IID_IUnknown)) {
            *result = static_cast<IShellView*>(this);
            AddRef();
            return S_OK;
        }
        if (Offer<IOleWindow>(asked, static_cast<IShellView*>(this), result) ||
            Offer<IShellView>(asked, this, result) || Offer<IFolderView>(asked, this, result))
            return S_OK;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }

    // IOleWindow, IShellView: the program needs none of them.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIActivate(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Refresh() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewWindow(IShellView*, LPCFOLDERSETTINGS, IShellBrowser*, RECT*, HWND*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DestroyViewWindow() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentInfo(LPFOLDERSETTINGS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SaveViewState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectItem(PCUITEMID_CHILD, SVSIF) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemObject(UINT, REFIID, void**) override { return E_NOTIMPL; }

    // IFolderView: the calls that read and place icons go to the fixture.
    HRESULT STDMETHODCALLTYPE GetCurrentViewMode(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFolder(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Item(int index, PITEMID_CHILD* idList) override {
        StandInBlock* block = FixtureBlock();
        if (!block || !idList) return E_FAIL;
        block->index = index;
        const HRESULT answer = Ask(block, StandInCall::Item);
        if (FAILED(answer)) return answer;
        void* copy = CoTaskMemAlloc(block->size);
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, block->data, block->size);
        *idList = static_cast<PITEMID_CHILD>(copy);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ItemCount(UINT, int* count) override {
        StandInBlock* block = FixtureBlock();
        if (!block || !count) return E_FAIL;
        const HRESULT answer = Ask(block, StandInCall::ItemCount);
        if (SUCCEEDED(answer)) *count = static_cast<int>(block->count);
        return answer;
    }
    HRESULT STDMETHODCALLTYPE Items(UINT, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSelectionMarkedItem(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFocusedItem(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemPosition(PCUITEMID_CHILD idList, POINT* position) override {
        StandInBlock* block = FixtureBlock();
        if (!block || !idList || !position) return E_FAIL;
        block->size = IdListSize(idList);
        if (block->size > kStandInDataSize) return E_INVALIDARG;
        std::memcpy(block->data, idList, block->size);
        const HRESULT answer = Ask(block, StandInCall::GetItemPosition);
        if (SUCCEEDED(answer)) *position = {block->x, block->y};
        return answer;
    }
    HRESULT STDMETHODCALLTYPE GetSpacing(POINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultSpacing(POINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAutoArrange() override {
        StandInBlock* block = FixtureBlock();
        return block ? Ask(block, StandInCall::GetAutoArrange) : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SelectItem(int, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectAndPositionItems(UINT count, PCUITEMID_CHILD_ARRAY idLists, POINT* points,
                                                     DWORD flags) override {
        StandInBlock* block = FixtureBlock();
        if (!block || (count > 0 && (!idLists || !points))) return E_FAIL;
        // Only the positions are played; a call that asks for anything else
        // is one the fixture does not answer.
        if (flags != SVSI_POSITIONITEM) return E_INVALIDARG;
        uint32_t used = 0;
        for (UINT i = 0; i < count; ++i) {
            const UINT size = IdListSize(idLists[i]);
            const int32_t entry[3] = {points[i].x, points[i].y, static_cast<int32_t>(size)};
            if (used + sizeof entry + size > kStandInDataSize) return E_INVALIDARG;
            std::memcpy(block->data + used, entry, sizeof entry);
            std::memcpy(block->data + used + sizeof entry, idLists[i], size);
            used += sizeof entry + size;
        }
        block->count = count;
        block->size = used;
        return Ask(block, StandInCall::SelectAndPositionItems);
    }

private:
    ~FolderView() override = default;
};

class DesktopBrowser final : public NoAutomation<IDispatch>,
                             public IServiceProvider,
                             public IShellBrowser,
                             private Counted {
public:
    DesktopBrowser() : Counted(StandInObject::DesktopBrowser) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, IID_IDispatch)) {
            *result = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        if (Offer<IServiceProvider>(asked, this, result) || Offer<IShellBrowser>(asked, this, result) ||
            Offer<IOleWindow>(asked, static_cast<IShellBrowser*>(this), result))
            return S_OK;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }

    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!IsEqualGUID(service, SID_STopLevelBrowser)) return E_NOINTERFACE;
        return QueryInterface(asked, result);
    }

    HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** view) override {
        if (!view) return E_POINTER;
        *view = new FolderView();
        return S_OK;
    }

    // The rest of a browser: the program needs none of it.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnableModelessSB(WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAcceleratorSB(MSG*, WORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetViewStateStream(DWORD, IStream**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

private:
    ~DesktopBrowser() override = default;
};

class ShellWindows final : public NoAutomation<IShellWindows>, private Counted {
public:
    ShellWindows() : Counted(StandInObject::ShellWindows) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, IID_IDispatch) ||
            IsEqualIID(asked, IID_IShellWindows)) {
            *result = static_cast<IShellWindows*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }

    HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT* location, VARIANT*, int windowClass, LONG* window, int options,
                                           IDispatch** desktop) override {
        if (!desktop || !window) return E_POINTER;
        *desktop = nullptr;
        if (windowClass != SWC_DESKTOP || !(options & SWFO_NEEDDISPATCH) || !location || location->vt != VT_I4 ||
            location->lVal != CSIDL_DESKTOP)
            return S_FALSE;
        StandInBlock* block = FixtureBlock();
        if (!block) return E_FAIL;
        const HRESULT answer = Ask(block, StandInCall::FindDesktop);
        if (answer != S_OK) return answer;
        *window = static_cast<LONG>(block->window);
        *desktop = new DesktopBrowser();
        return S_OK;
    }

    // The rest of the window list: the program needs none of it.
    HRESULT STDMETHODCALLTYPE get_Count(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Item(VARIANT, IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Register(IDispatch*, LONG, int, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revoke(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnNavigate(LONG, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnActivated(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnCreated(LONG, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ProcessAttachDetach(VARIANT_BOOL) override { return E_NOTIMPL; }

private:
    ~ShellWindows() override = default;
};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (IsEqualIID(asked, IID_IUnknown) || IsEqualIID(asked, IID_IClassFactory)) {
            *result = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    // One factory for the life of the process: COM holds it, not the program.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID asked, void** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (!FixtureBlock()) return E_FAIL;
        ShellWindows* windows = new ShellWindows();
        const HRESULT answer = windows->QueryInterface(asked, result);
        windows->Release();
        return answer;
    }
    HRESULT STDMETHODCALLTYPE LockServer(WINBOOL lock) override {
        if (lock)
            InterlockedIncrement(&serverLocks);
        else
            InterlockedDecrement(&serverLocks);
        return S_OK;
    }
};

ClassFactory factory;

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID asked, void** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    // COM asks with the class it was redirected to; the shell's own is taken too.
    if (!IsEqualCLSID(classId, kStandInClassId) && !IsEqualCLSID(classId, CLSID_ShellWindows))
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(asked, result);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE; }
