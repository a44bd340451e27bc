#ifdef _WIN32
#include "RecycleBin.h"

#include <QDir>
#include <QFileInfo>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

// Column `column` of the bin's details view for `item`: 0 its name, 1 the folder it came from.
QString Detail(IShellFolder2* bin, PCUITEMID_CHILD item, UINT column) {
    SHELLDETAILS details{};
    wchar_t* text = nullptr;
    if (FAILED(bin->GetDetailsOf(item, column, &details)) || FAILED(::StrRetToStrW(&details.str, item, &text)))
        return {};
    const QString detail = QString::fromWCharArray(text);
    ::CoTaskMemFree(text);
    return detail;
}

}  // namespace

bool InRecycleBin(const QString& path) {
    const QFileInfo wanted(QDir::cleanPath(path));
    const QString folder = QDir::toNativeSeparators(wanted.path());
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool found = false;
    IShellFolder* desktop = nullptr;
    PIDLIST_ABSOLUTE place = nullptr;
    IShellFolder2* bin = nullptr;
    IEnumIDList* items = nullptr;
    if (SUCCEEDED(::SHGetDesktopFolder(&desktop)) &&
        SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &place)) &&
        SUCCEEDED(desktop->BindToObject(place, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&bin))) &&
        bin->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK) {
        PITEMID_CHILD item = nullptr;
        while (!found && items->Next(1, &item, nullptr) == S_OK) {
            // Explorer may show a name without its known extension.
            const QString name = Detail(bin, item, 0);
            found = Detail(bin, item, 1).compare(folder, Qt::CaseInsensitive) == 0 &&
                    (name.compare(wanted.fileName(), Qt::CaseInsensitive) == 0 ||
                     name.compare(wanted.completeBaseName(), Qt::CaseInsensitive) == 0);
            ::CoTaskMemFree(item);
        }
    }
    if (items) items->Release();
    if (bin) bin->Release();
    if (place) ::CoTaskMemFree(place);
    if (desktop) desktop->Release();
    if (SUCCEEDED(com)) ::CoUninitialize();
    return found;
}
#endif
