// Runs in the program's own script world in every frame and tells the
// program of the page's trouble, for its diagnostics: a script that failed,
// a promise nobody caught, a part of the page (a picture, a script, a style
// sheet) that did not load. Page scripts cannot reach this world, so they
// cannot fake these reports or hide them.
(function () {
    "use strict";
    var handler = window.webkit.messageHandlers.tharnvaleTrouble;

    function report(kind, text, address, line) {
        try {
            handler.postMessage({ kind: kind, text: String(text), address: String(address || location.href),
                                  line: line || 0 });
        } catch (e) {
            // Nothing a report does may disturb the page.
        }
    }

    window.addEventListener("error", function (event) {
        if (event instanceof ErrorEvent) {
            report("script", event.message, event.filename, event.lineno);
            return;
        }
        var part = event.target;
        if (part && part !== window && part.localName) {
            report("part", part.localName, part.currentSrc || part.src || part.href);
        }
    }, true);
    window.addEventListener("unhandledrejection", function (event) {
        report("promise", event.reason);
    });
})();
