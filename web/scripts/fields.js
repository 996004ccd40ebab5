// Runs in the program's own script world in every frame: tells the program
// that a text field took the keyboard, or let it go, so that on a handheld
// the program can bring up the on-screen keyboard. The message says only
// that; the program decides what follows. A field a page script focuses
// while the player is elsewhere (the page without the keyboard) says
// nothing.
(function () {
    "use strict";
    var handler = window.webkit.messageHandlers.tharnvaleField;
    var textInputs = /^(text|search|email|url|tel|password|number)$/;

    function textField(node) {
        if (!node || node.nodeType !== 1) {
            return false;
        }
        if (node.isContentEditable) {
            return true;
        }
        if (node.localName === "textarea") {
            return !node.disabled && !node.readOnly;
        }
        if (node.localName === "input") {
            return !node.disabled && !node.readOnly && textInputs.test(node.type);
        }
        return false;
    }

    function tell(what) {
        return function (event) {
            if (textField(event.target) && (what === "blur" || document.hasFocus())) {
                try {
                    handler.postMessage(what);
                } catch (e) {
                    // Nothing a report does may disturb the page.
                }
            }
        };
    }

    window.addEventListener("focus", tell("focus"), true);
    window.addEventListener("blur", tell("blur"), true);
})();
