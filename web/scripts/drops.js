// Runs in the program's own script world in every frame: a file or a link
// dropped on the page never takes the login window away from the portal.
// The engine's own handling of a drop that no one takes is to show what was
// dropped in place of the page, and the launcher has no Back to return.
// Such drags are taken here, so that the engine hands the drop to the page
// as an event and nothing else happens; text dropped into a field still
// arrives, a file input still takes its files, and a drop the page takes in
// script reaches it first.
(function () {
    "use strict";
    var textInputs = /^(text|search|email|url|tel|password|number)$/;

    function textField(node) {
        for (; node; node = node.parentNode) {
            if (node.nodeType !== 1) {
                continue;
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
        }
        return false;
    }

    function fileInput(node) {
        return node && node.localName === "input" && node.type === "file" && !node.disabled;
    }

    function carriesFiles(transfer) {
        var types = transfer ? transfer.types : [];
        for (var i = 0; i < types.length; ++i) {
            if (types[i] === "Files") {
                return true;
            }
        }
        return false;
    }

    // What the engine would do with the drop by itself: insert text into a
    // field, give files to a file input, or else leave the page.
    function leavesThePage(event) {
        if (carriesFiles(event.dataTransfer)) {
            return !fileInput(event.target);
        }
        return !textField(event.target);
    }

    function take(event) {
        if (!event.defaultPrevented && leavesThePage(event)) {
            event.preventDefault();
        }
    }

    window.addEventListener("dragenter", take);
    window.addEventListener("dragover", take);
    window.addEventListener("drop", take);
})();
