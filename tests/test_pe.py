"""menu.exe as built and as signed on the publisher's disc: a 32-bit GUI program that Windows XP
starts, with every hardening flag, only reviewed imports and its resources."""
import pathlib
import struct

import pefile
import pytest

from disc_image import read_from_image

EXE = pathlib.Path(__file__).resolve().parent.parent / "build" / "windows" / "menu.exe"

# Every function menu.exe may import: a new import is a change to review, allowed only when
# every supported Windows has it, Windows XP included (msvcrt is the C runtime they all carry).
ALLOWED_IMPORTS = {dll: set(names.split()) for dll, names in {
    "ADVAPI32.dll": "RegOpenKeyA RegQueryValueExA RegCloseKey CryptAcquireContextA CryptGenRandom CryptReleaseContext",
    "GDI32.dll": """BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateFontIndirectW CreateSolidBrush DeleteDC
        DeleteObject ExtTextOutW GetDeviceCaps GetObjectW IntersectClipRect RestoreDC SaveDC SelectObject SetBkColor
        SetBkMode SetBrushOrgEx SetStretchBltMode SetTextColor StretchBlt""",
    "USER32.dll": """AdjustWindowRectEx BeginPaint CreateWindowExW DefWindowProcW DestroyIcon DestroyWindow
        DispatchMessageW DrawTextW EndPaint GetActiveWindow GetAncestor GetCapture GetDC GetMessageW GetSysColor
        GetSystemMetrics GetWindowLongW GetWindowTextLengthW GetWindowTextW IntersectRect InvalidateRect
        IsDialogMessageW IsRectEmpty IsWindowVisible LoadCursorW LoadImageW MessageBoxW PeekMessageW PostQuitMessage
        PtInRect RegisterClassExW ReleaseCapture ReleaseDC SendMessageW SetCapture SetForegroundWindow SetWindowLongW
        SetWindowPos SetWindowTextW ShowWindow TranslateMessage CallWindowProcW ChildWindowFromPointEx ClientToScreen
        GetCursorPos GetFocus GetKeyState GetParent IsChild IsWindow NotifyWinEvent PostMessageW ScreenToClient
        SetFocus SystemParametersInfoW""",
    "KERNEL32.dll": """CloseHandle CreateProcessW FormatMessageW GetDriveTypeA GetLastError GetLogicalDriveStringsA
        GetModuleFileNameA GetModuleFileNameW GetModuleHandleW GetProcAddress LoadLibraryW LocalFree MulDiv
        MultiByteToWideChar SetCurrentDirectoryW WideCharToMultiByte AddVectoredExceptionHandler CreateEventA
        CreateSemaphoreA DeleteCriticalSection DuplicateHandle EnterCriticalSection FreeLibrary GetCurrentProcess
        GetCurrentProcessId GetCurrentThread GetCurrentThreadId GetHandleInformation GetModuleHandleA
        GetProcessAffinityMask GetStartupInfoW GetSystemTimeAsFileTime GetThreadContext GetThreadPriority GetTickCount
        InitializeCriticalSection IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection LoadLibraryA OpenProcess
        OutputDebugStringA RaiseException ReleaseSemaphore RemoveVectoredExceptionHandler ResetEvent ResumeThread
        SetEvent SetLastError SetProcessAffinityMask SetThreadContext SetThreadPriority SetUnhandledExceptionFilter
        Sleep SuspendThread TlsAlloc TlsGetValue TlsSetValue TryEnterCriticalSection VirtualProtect VirtualQuery
        WaitForMultipleObjects WaitForSingleObject""",
}.items()}


@pytest.fixture(scope="module", params=["built", "signed"])
def pe(request):
    if request.param == "built":
        return pefile.PE(str(EXE))
    return pefile.PE(data=read_from_image(request.getfixturevalue("signed_image")[0], "/menu.exe"))


def test_header_and_imports(pe):
    header = pe.OPTIONAL_HEADER
    assert (pe.FILE_HEADER.Machine, header.Subsystem) == (0x14C, 2), "a 32-bit GUI program"
    assert (header.MajorSubsystemVersion, header.MinorSubsystemVersion) <= (5, 1) and \
        (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion) <= (5, 1), "Windows XP would refuse it"
    assert header.CheckSum == pe.generate_checksum()
    # ASLR with its relocations, DEP, no SEH handlers, terminal-server aware.
    assert header.DllCharacteristics & 0x8540 == 0x8540 and header.DATA_DIRECTORY[5].Size > 0
    unexpected = [f"{entry.dll.decode()}!{i.name}" for entry in pe.DIRECTORY_ENTRY_IMPORT for i in entry.imports
                  if entry.dll.decode() != "msvcrt.dll"
                  and (i.name or b"").decode() not in ALLOWED_IMPORTS.get(entry.dll.decode(), ())]
    assert not unexpected, f"imports not on the allow-list: {unexpected}"


def test_resources(pe):
    found = {(kind.id, name.id): pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
             for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries for name in kind.directory.entries
             for language in name.directory.entries}
    icons = found[(14, 1)]  # the program icon: 48, 32 and 16 pixels, 16 colours each
    assert sorted(struct.unpack_from("<BBB", icons, 6 + 14 * i) for i in range(struct.unpack_from("<H", icons, 4)[0])) \
        == [(16, 16, 16), (32, 32, 16), (48, 48, 16)]
    for picture in (101, 102):  # 400 x 300, 8 bits, uncompressed, 256 colours
        assert struct.unpack_from("<iiHHI", found[(2, picture)], 4) == (400, 300, 1, 8, 0)
    manifest = found[(24, 1)].decode()
    assert 'level="asInvoker"' in manifest and "supportedOS" in manifest
    assert (pe.VS_FIXEDFILEINFO[0].FileVersionMS, pe.VS_FIXEDFILEINFO[0].FileVersionLS) == (0x10000, 0)
    strings = {key.decode(): value.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
               for table in info.StringTable if table.LangID == b"040904B0" for key, value in table.entries.items()}
    assert strings["FileVersion"] == strings["ProductVersion"] == "1.00"
    assert strings["CompanyName"] and strings["ProductName"]
