// Stands in for a Windows game launcher under Wine: writes what it was
// started with to the file that PROBE_RECORD names (a Unix path), one
// "name=value" line each, then exits. PROBE_LINGER_MS keeps it running that
// long first, and then it adds "ended=1" to the record; PROBE_EXIT_CODE
// sets its exit code.
//   started  when its first instruction ran, in Unix time, nanoseconds
//   wide     GetCommandLineW, hex of its UTF-16 code units
//   narrow   GetCommandLineA, hex of its bytes
//   acp      GetACP
//   cwd      the working folder, hex of its UTF-16 code units
//   dpi      the screen's logical DPI

#include <windows.h>

typedef WCHAR*(CDECL* DosFileNameFunc)(const char*);

static char g_record[1 << 17];
static int g_length;

static void Append(const char* text) {
    while (*text && g_length < (int)sizeof g_record - 1)
        g_record[g_length++] = *text++;
}

static void AppendNumber(unsigned long long n) {
    char digits[24];
    int i = sizeof digits - 1;
    digits[i] = 0;
    do
        digits[--i] = (char)('0' + n % 10);
    while ((n /= 10) != 0 && i > 0);
    Append(digits + i);
}

static void AppendHex(const void* data, int size) {
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char* bytes = data;
    for (int i = 0; i < size && g_length < (int)sizeof g_record - 3; ++i) {
        g_record[g_length++] = kDigits[bytes[i] >> 4];
        g_record[g_length++] = kDigits[bytes[i] & 15];
    }
}

// UTF-16 code units as four hex digits each, most significant first.
static void AppendWideHex(const WCHAR* text) {
    for (; *text; ++text) {
        unsigned char unit[2] = {(unsigned char)(*text >> 8), (unsigned char)(*text & 0xFF)};
        AppendHex(unit, 2);
    }
}

static unsigned EnvironmentNumber(const WCHAR* name) {
    WCHAR value[32];
    unsigned n = 0;
    if (GetEnvironmentVariableW(name, value, 32) == 0)
        return 0;
    for (const WCHAR* p = value; *p >= L'0' && *p <= L'9'; ++p)
        n = n * 10 + (unsigned)(*p - L'0');
    return n;
}

static void WriteRecord(const WCHAR* path) {
    WCHAR part[MAX_PATH + 8];
    lstrcpynW(part, path, MAX_PATH);
    lstrcatW(part, L".part");
    HANDLE file = CreateFileW(part, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(file, g_record, (DWORD)g_length, &written, NULL);
    CloseHandle(file);
    MoveFileExW(part, path, MOVEFILE_REPLACE_EXISTING);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    // 100-nanosecond ticks since 1601 to nanoseconds since 1970.
    unsigned long long ticks = ((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime;
    Append("started=");
    AppendNumber((ticks - 116444736000000000ull) * 100);

    char unixPath[4096];
    if (GetEnvironmentVariableA("PROBE_RECORD", unixPath, sizeof unixPath) == 0)
        return 2;
    DosFileNameFunc dosFileName = (DosFileNameFunc)(void*)GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name");
    WCHAR* path = dosFileName == NULL ? NULL : dosFileName(unixPath);
    if (path == NULL)
        return 3;

    Append("\nwide=");
    AppendWideHex(GetCommandLineW());
    Append("\nnarrow=");
    const char* narrow = GetCommandLineA();
    AppendHex(narrow, lstrlenA(narrow));
    Append("\nacp=");
    AppendNumber(GetACP());
    WCHAR cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    Append("\ncwd=");
    AppendWideHex(cwd);
    HDC screen = GetDC(NULL);
    Append("\ndpi=");
    AppendNumber((unsigned)GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(NULL, screen);
    Append("\n");
    WriteRecord(path);

    unsigned linger = EnvironmentNumber(L"PROBE_LINGER_MS");
    if (linger > 0) {
        Sleep(linger);
        Append("ended=1\n");
        WriteRecord(path);
    }
    return (int)EnvironmentNumber(L"PROBE_EXIT_CODE");
}
