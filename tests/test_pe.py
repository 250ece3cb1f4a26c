"""menu.exe as it ships, as built and as signed on the publisher's disc: the hardening flags in
its PE header, an import table that holds only reviewed system functions, and the resources
compiled into it."""
import pathlib
import struct

import pefile
import pytest

from disc_image import read_from_image

EXE = pathlib.Path(__file__).resolve().parent.parent / "build" / "windows" / "menu.exe"

# Every DLL and function menu.exe may import. A new import is a change to review: add it
# here only when it is a system function that every supported Windows has, Windows XP
# included (GetTickCount64, which the runtime wants, is answered inside the program).
ALLOWED_IMPORTS = {
    "ADVAPI32.dll": {"RegOpenKeyA", "RegQueryValueExA", "RegCloseKey",
                     # the stack protector's random canary
                     "CryptAcquireContextA", "CryptGenRandom", "CryptReleaseContext"},
    "GDI32.dll": {"BitBlt", "CreateCompatibleBitmap", "CreateCompatibleDC", "CreateFontIndirectW",
                  "CreateSolidBrush", "DeleteDC", "DeleteObject", "ExtTextOutW", "GetDeviceCaps", "GetObjectW",
                  "IntersectClipRect", "RestoreDC", "SaveDC", "SelectObject", "SetBkColor", "SetBkMode",
                  "SetBrushOrgEx", "SetStretchBltMode", "SetTextColor", "StretchBlt"},
    "USER32.dll": {"AdjustWindowRectEx", "BeginPaint", "CreateWindowExW", "DefWindowProcW", "DestroyIcon",
                   "DestroyWindow", "DispatchMessageW", "DrawTextW", "EndPaint", "GetActiveWindow", "GetAncestor",
                   "GetCapture", "GetDC", "GetMessageW", "GetSysColor", "GetSystemMetrics", "GetWindowLongW",
                   "GetWindowTextLengthW", "GetWindowTextW", "IntersectRect", "InvalidateRect", "IsDialogMessageW",
                   "IsRectEmpty", "IsWindowVisible", "LoadCursorW", "LoadImageW", "MessageBoxW", "PeekMessageW",
                   "PostQuitMessage", "PtInRect",
                   "RegisterClassExW", "ReleaseCapture", "ReleaseDC", "SendMessageW", "SetCapture",
                   "SetForegroundWindow", "SetWindowLongW", "SetWindowPos", "SetWindowTextW", "ShowWindow",
                   "TranslateMessage",
                   # the keyboard and screen readers
                   "CallWindowProcW", "ChildWindowFromPointEx", "ClientToScreen", "GetCursorPos", "GetFocus",
                   "GetKeyState", "GetParent", "IsChild", "IsWindow", "NotifyWinEvent", "PostMessageW",
                   "ScreenToClient", "SetFocus", "SystemParametersInfoW"},
    "KERNEL32.dll": {
        # the menu's own
        "CloseHandle", "CreateProcessW", "FormatMessageW", "GetDriveTypeA", "GetLastError",
        "GetLogicalDriveStringsA", "GetModuleFileNameA", "GetModuleFileNameW", "GetModuleHandleW", "GetProcAddress",
        "LoadLibraryW", "LocalFree", "MulDiv", "MultiByteToWideChar", "SetCurrentDirectoryW", "WideCharToMultiByte",
        # the static C++ runtime: start-up, exceptions, thread-safe statics
        "AddVectoredExceptionHandler", "CreateEventA", "CreateSemaphoreA", "DeleteCriticalSection",
        "DuplicateHandle", "EnterCriticalSection", "FreeLibrary", "GetCurrentProcess", "GetCurrentProcessId",
        "GetCurrentThread", "GetCurrentThreadId", "GetHandleInformation", "GetModuleHandleA",
        "GetProcessAffinityMask", "GetStartupInfoW", "GetSystemTimeAsFileTime", "GetThreadContext",
        "GetThreadPriority", "GetTickCount", "InitializeCriticalSection", "IsDBCSLeadByteEx", "IsDebuggerPresent",
        "LeaveCriticalSection", "LoadLibraryA", "OpenProcess", "OutputDebugStringA",
        "RaiseException", "ReleaseSemaphore", "RemoveVectoredExceptionHandler", "ResetEvent", "ResumeThread",
        "SetEvent", "SetLastError", "SetProcessAffinityMask", "SetThreadContext", "SetThreadPriority",
        "SetUnhandledExceptionFilter", "Sleep", "SuspendThread", "TlsAlloc", "TlsGetValue", "TlsSetValue",
        "TryEnterCriticalSection", "VirtualProtect", "VirtualQuery", "WaitForMultipleObjects",
        "WaitForSingleObject"},
    # the C runtime every Windows carries
    "msvcrt.dll": None,
}

DLL_CHARACTERISTICS = {
    "dynamic base (ASLR)": 0x0040,
    "NX compatible (DEP)": 0x0100,
    "no SEH handlers": 0x0400,
    "terminal-server aware": 0x8000,
}


@pytest.fixture(scope="module", params=["built", "signed"])
def pe(request):
    if not EXE.exists():
        pytest.fail(f"{EXE} is not built")
    if request.param == "built":
        image = pefile.PE(str(EXE))
    else:
        image = pefile.PE(data=read_from_image(request.getfixturevalue("signed_image")[0], "/menu.exe"))
    yield image
    image.close()


def test_header_keeps_every_hardening_flag(pe):
    assert pe.FILE_HEADER.Machine == 0x14C, "a 32-bit program"
    assert pe.OPTIONAL_HEADER.Subsystem == 2, "a GUI program, no console"
    header = pe.OPTIONAL_HEADER
    versions = {"subsystem": (header.MajorSubsystemVersion, header.MinorSubsystemVersion),
                "operating system": (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion)}
    assert all(version <= (5, 1) for version in versions.values()), f"Windows XP (5.1) would refuse {versions}"
    # Windows checks it only for drivers and system files; some virus scanners take a wrong
    # one as a sign of a tampered file.
    assert header.CheckSum == pe.generate_checksum(), "the header's checksum is not the file's"
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    lost = [name for name, bit in DLL_CHARACTERISTICS.items() if not flags & bit]
    assert not lost, f"DllCharacteristics {flags:#06x} lost: {lost}"
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    assert relocations.Size > 0, "ASLR needs the relocations kept"


def test_imports_only_reviewed_system_functions(pe):
    unexpected = []
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode()
        if dll not in ALLOWED_IMPORTS:
            unexpected.append(dll)
            continue
        allowed = ALLOWED_IMPORTS[dll]
        if allowed is None:
            continue
        unexpected += [f"{dll}!{i.name.decode() if i.name else i.ordinal}" for i in entry.imports
                       if not i.name or i.name.decode() not in allowed]
    assert not unexpected, f"imports not on the allow-list: {unexpected}"


def resources(pe):
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                found[(kind.id, name.id)] = data
    return found


def test_resources_hold_icon_pictures_version_and_manifest(pe):
    found = resources(pe)
    group = found[(14, 1)]  # RT_GROUP_ICON, the program icon
    count = struct.unpack_from("<H", group, 4)[0]
    entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    assert sorted((w or 256, colours, bits) for w, h, colours, _, planes, bits, _, _ in entries) == \
        [(16, 16, 4), (32, 16, 4), (48, 16, 4)]

    for picture in (101, 102):
        header = found[(2, picture)]  # RT_BITMAP, without its file header
        width, height, planes, bits, compression = struct.unpack_from("<iiHHI", header, 4)
        assert (width, height, bits, compression) == (400, 300, 8, 0)

    manifest = found[(24, 1)].decode()
    assert 'level="asInvoker"' in manifest and "supportedOS" in manifest

    assert pe.VS_FIXEDFILEINFO[0].FileVersionMS == 0x00010000 and pe.VS_FIXEDFILEINFO[0].FileVersionLS == 0
    tables = {table.LangID.decode(): table.entries for info in pe.FileInfo[0] if hasattr(info, "StringTable")
              for table in info.StringTable}
    strings = {k.decode(): v.decode() for k, v in tables["040904B0"].items()}
    assert strings["FileVersion"] == "1.00" and strings["ProductVersion"] == "1.00"
    assert strings["CompanyName"] and strings["ProductName"]
