#pragma once

// The numbers the code shares with the built-in resources
// (res/launcher.gresource.xml names each file by its type and number) and
// with the window templates (res/dialogs/<template>.ui, whose items are
// objects with these numbers as their ids: GtkBuilder's files cannot include
// this header). The unit tests hold each template against the items named
// here for it (tests/unit/ResourceIdsTest.cpp).

// Window templates.
inline constexpr int kMainDialogId = 102;      // the main window, with the picture
inline constexpr int kLoginDialogId = 132;     // the login window, with the browser
inline constexpr int kConfirmDialogId = 172;   // the exit confirmation
inline constexpr int kDownloadDialogId = 180;  // the download window
inline constexpr int kMessageDialogId = 190;   // a message in the launcher's look

// The program's icon.
inline constexpr int kAppIconId = 128;

// Pictures: faces of windows, and the strips of picture buttons (one frame
// for each state, side by side).
inline constexpr int kMainBackgroundId = 155;
inline constexpr int kCloseStripId = 160;
inline constexpr int kMinimizeStripId = 162;
inline constexpr int kConfirmStripId = 175;
inline constexpr int kCancelStripId = 176;
inline constexpr int kConfirmBackgroundId = 177;  // a bitmap
inline constexpr int kDownloadFaceId = 181;
inline constexpr int kProgressTrackId = 182;
inline constexpr int kProgressFillId = 183;

// Items of the login window (kLoginDialogId).
inline constexpr int kLoginBrowserItem = 1000;
inline constexpr int kLoginCloseItem = 1005;
inline constexpr int kLoginMinimizeItem = 1006;

// Items of the exit confirmation (kConfirmDialogId).
inline constexpr int kConfirmTitleItem = 1002;
inline constexpr int kConfirmQuestionItem = 1003;
inline constexpr int kConfirmOkItem = 1008;
inline constexpr int kConfirmCancelItem = 1009;

// Items of the download window (kDownloadDialogId).
inline constexpr int kDownloadTitleItem = 1002;
inline constexpr int kDownloadSizesItem = 1004;
inline constexpr int kDownloadSpeedItem = 1005;
inline constexpr int kDownloadTimeLeftItem = 1006;
inline constexpr int kDownloadRetryItem = 1007;
inline constexpr int kDownloadCancelItem = 1009;

// Items of a message in the launcher's look (kMessageDialogId).
inline constexpr int kMessageCaptionItem = 1002;
inline constexpr int kMessageTextItem = 1003;
inline constexpr int kMessageOkItem = 1008;
