// Runs in the program's own script world in every frame below the top one
// and tells the program of each completed frame navigation and document;
// the top-level page reports through the engine's own load events. Page
// scripts cannot reach this world, so they cannot fake these reports.
(function () {
    "use strict";
    if (window === window.top) {
        return;
    }
    var report = window.webkit.messageHandlers.tharnvaleFrames;
    report.postMessage({ event: "navigate", url: location.href });
    window.addEventListener("load", function () {
        report.postMessage({ event: "document", url: location.href });
    });
})();
