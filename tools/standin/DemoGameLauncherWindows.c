// The demo's game launcher as Windows builds it, for the demo under Wine:
// shows the command line it was started with, exactly as the real one would
// read it (GetCommandLineW), and its working folder, then closes after a
// while.

#include <windows.h>

#define CLOSE_AFTER_MS 30000
#define CLOSE_TIMER 1

// The window's layout, in pixels at 96 DPI.
#define MARGIN 20
#define CLIENT_WIDTH 720
#define HEADING_HEIGHT 40
#define LABEL_HEIGHT 24
#define LINE_HEIGHT 120
#define FOLDER_HEIGHT 48

static int g_dpi = 96;

static int Scaled(int pixels) {
    return MulDiv(pixels, g_dpi, 96);
}

// A font that has the Chinese characters a command line may carry: Wine
// finds the face through fontconfig; where it is missing, the character set
// makes Wine pick another font that has them.
static HFONT MakeFont(int points, int weight, const WCHAR* face) {
    return CreateFontW(-MulDiv(points, g_dpi, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH, face);
}

// Takes the whole text as one word, so that wrapped lines break at the edge
// of the box, never at a blank or a hyphen, and no break can be taken for a
// part of the command line.
static int CALLBACK OneWord(LPWSTR text, int current, int length, int action) {
    (void)text;
    (void)current;
    switch (action) {
        case WB_LEFT:
            return 0;
        case WB_RIGHT:
            return length;
        default:
            return FALSE;
    }
}

// Adds a child control at (MARGIN, *y), as wide as the window allows, and
// moves *y below it.
static HWND AddControl(HWND parent, const WCHAR* kind, DWORD style, const WCHAR* text, HFONT font,
                       int height, int* y) {
    HWND control = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, Scaled(MARGIN),
                                   Scaled(*y), Scaled(CLIENT_WIDTH - 2 * MARGIN), Scaled(height),
                                   parent, NULL, NULL, NULL);
    SendMessageW(control, WM_SETFONT, (WPARAM)font, FALSE);
    *y += height;
    return control;
}

// Adds a read-only box that shows `text` as it is, blanks and all, and lets
// it be selected and copied; `scrolls` when the text may not fit.
static void AddShownText(HWND parent, const WCHAR* text, HFONT font, BOOL scrolls, int height,
                         int* y) {
    const DWORD style = WS_BORDER | ES_MULTILINE | ES_READONLY | (scrolls ? WS_VSCROLL : 0);
    HWND box = AddControl(parent, L"EDIT", style, text, font, height, y);
    SendMessageW(box, EM_SETWORDBREAKPROC, 0, (LPARAM)OneWord);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show) {
    (void)previous;
    (void)arguments;
    HDC screen = GetDC(NULL);
    g_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);

    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TharnvaleDemoGameLauncher";
    RegisterClassW(&windowClass);

    const int clientHeight =
        2 * MARGIN + HEADING_HEIGHT + 2 * LABEL_HEIGHT + LINE_HEIGHT + FOLDER_HEIGHT + MARGIN / 2;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, Scaled(CLIENT_WIDTH), Scaled(clientHeight)};
    AdjustWindowRect(&frame, style, FALSE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    // In the middle of the screen, where the player looks after logging in.
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Tharnvale game launcher (demo)",
                                  style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, NULL,
                                  NULL, instance, NULL);
    if (window == NULL)
        return 1;

    HFONT heading = MakeFont(18, FW_BOLD, L"Noto Sans CJK SC");
    HFONT text = MakeFont(10, FW_NORMAL, L"Noto Sans CJK SC");
    HFONT fixed = MakeFont(11, FW_NORMAL, L"Noto Sans Mono CJK SC");
    WCHAR folder[MAX_PATH];
    if (GetCurrentDirectoryW(MAX_PATH, folder) == 0)
        lstrcpyW(folder, L"?");

    int y = MARGIN;
    AddControl(window, L"STATIC", 0, L"Tharnvale", heading, HEADING_HEIGHT, &y);
    AddControl(window, L"STATIC", 0, L"The game launcher was started with the command line:", text,
               LABEL_HEIGHT, &y);
    AddShownText(window, GetCommandLineW(), fixed, TRUE, LINE_HEIGHT, &y);
    y += MARGIN / 2;
    AddControl(window, L"STATIC", 0, L"in the folder:", text, LABEL_HEIGHT, &y);
    AddShownText(window, folder, fixed, FALSE, FOLDER_HEIGHT, &y);

    SetTimer(window, CLOSE_TIMER, CLOSE_AFTER_MS, NULL);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(heading);
    DeleteObject(text);
    DeleteObject(fixed);
    return 0;
}
