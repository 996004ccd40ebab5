// Starts the game launcher with exactly the command line Windows would give
// it: the quoted Windows path of the launcher followed by the argument text,
// character for character. Wine rebuilds a command line from argv when it
// starts a program (dropping unclosed quotes, folding blanks, re-encoding
// bytes), so the text reaches this helper hex-encoded and the helper hands
// the line to CreateProcessW itself.
//
// A GUI-subsystem program that makes no window: the player sees nothing of
// it. It exits as soon as the launcher has started (StartInWine.h).

#include "StartInWine.h"

#include <windows.h>

typedef WCHAR*(CDECL* DosFileNameFunc)(const char*);

static int HexDigit(WCHAR c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Skips blanks and tabs, as the Windows command-line rules do between words.
static LPCWSTR SkipBlanks(LPCWSTR p) {
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

// Skips the program's own path: to its closing quote, or to the first blank.
static LPCWSTR SkipProgram(LPCWSTR p) {
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        return *p ? p + 1 : p;
    }
    while (*p && *p != L' ' && *p != L'\t')
        ++p;
    return p;
}

// Reads one word of the form x<hex> into a new zero-terminated byte string;
// null when the word is not of that form. `*pp` moves past the word.
static char* ReadHexWord(LPCWSTR* pp) {
    LPCWSTR p = SkipBlanks(*pp);
    if (*p != L'x')
        return NULL;
    LPCWSTR digits = ++p;
    while (HexDigit(*p) >= 0)
        ++p;
    if ((*p != 0 && *p != L' ' && *p != L'\t') || (p - digits) % 2 != 0)
        return NULL;
    size_t length = (size_t)(p - digits) / 2;
    char* bytes = HeapAlloc(GetProcessHeap(), 0, length + 1);
    if (bytes == NULL)
        return NULL;
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = (char)(HexDigit(digits[2 * i]) * 16 + HexDigit(digits[2 * i + 1]));
    }
    bytes[length] = 0;
    *pp = p;
    return bytes;
}

// Reads the decimal DPI; -1 when the word is not a number from 0 to 9600.
static int ReadDpi(LPCWSTR* pp) {
    LPCWSTR p = SkipBlanks(*pp);
    int dpi = 0;
    LPCWSTR start = p;
    while (*p >= L'0' && *p <= L'9' && dpi <= 9600)
        dpi = dpi * 10 + (*p++ - L'0');
    if (p == start || dpi > 9600 || (*p != L' ' && *p != L'\t'))
        return -1;
    *pp = p;
    return dpi;
}

// The size Windows programs draw at: the desktop's scale, so that the
// launcher is not tiny on a HiDPI screen. Read by every program started
// after it is written.
static void SetDpi(int dpi) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, NULL, 0, KEY_SET_VALUE,
                        NULL, &key, NULL) == ERROR_SUCCESS) {
        DWORD value = (DWORD)dpi;
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, (const BYTE*)&value, sizeof value);
        RegCloseKey(key);
    }
}

static WCHAR* WideFromUtf8(const char* text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    if (length <= 0)
        return NULL;
    WCHAR* wide = HeapAlloc(GetProcessHeap(), 0, (size_t)length * sizeof(WCHAR));
    if (wide != NULL)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, length);
    return wide;
}

static int StartLauncher(const WCHAR* windowsPath, const WCHAR* text) {
    size_t pathLength = lstrlenW(windowsPath);
    size_t textLength = lstrlenW(text);
    WCHAR* line = HeapAlloc(GetProcessHeap(), 0, (pathLength + textLength + 3) * sizeof(WCHAR));
    if (line == NULL)
        return START_IN_WINE_FAILED;
    line[0] = L'"';
    CopyMemory(line + 1, windowsPath, pathLength * sizeof(WCHAR));
    line[pathLength + 1] = L'"';
    CopyMemory(line + pathLength + 2, text, (textLength + 1) * sizeof(WCHAR));

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(windowsPath, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        switch (GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
                return START_IN_WINE_NOT_FOUND;
            case ERROR_BAD_EXE_FORMAT:
            case ERROR_EXE_MACHINE_TYPE_MISMATCH:
                return START_IN_WINE_BAD_FORMAT;
            default:
                return START_IN_WINE_FAILED;
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return START_IN_WINE_STARTED;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show) {
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    LPCWSTR p = SkipProgram(GetCommandLineW());
    int dpi = ReadDpi(&p);
    char* unixPath = dpi < 0 ? NULL : ReadHexWord(&p);
    char* utf8Text = unixPath == NULL ? NULL : ReadHexWord(&p);
    if (utf8Text == NULL || *SkipBlanks(p) != 0)
        return START_IN_WINE_BAD_USAGE;
    WCHAR* text = WideFromUtf8(utf8Text);
    if (text == NULL)
        return START_IN_WINE_BAD_USAGE;

    // Wine's own mapping of Unix paths to drives, whatever the prefix's
    // drives are.
    DosFileNameFunc dosFileName = (DosFileNameFunc)(void*)GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    WCHAR* windowsPath = dosFileName == NULL ? NULL : dosFileName(unixPath);
    if (windowsPath == NULL)
        return START_IN_WINE_NO_WINDOWS_PATH;

    if (dpi > 0)
        SetDpi(dpi);
    return StartLauncher(windowsPath, text);
}
