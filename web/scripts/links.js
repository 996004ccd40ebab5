// The program's link click subscriptions on the top-level document, kept in
// the program's own script world, out of the page scripts' reach. The
// program calls these functions; each answers in JSON.
var tharnvaleLinks = {
    listeners: {},

    // The targets of the document's links, in document order.
    hrefs: function () {
        return JSON.stringify(Array.prototype.map.call(document.getElementsByTagName("a"),
            function (a) { return a.href; }));
    },

    // Subscribes [position, href, cookie] entries; answers the cookies of
    // those made (a link that moved or changed in between is skipped).
    subscribe: function (entries) {
        var links = document.getElementsByTagName("a");
        var made = [];
        entries.forEach(function (entry) {
            var link = links[entry[0]];
            if (!link || link.href !== entry[1]) {
                return;
            }
            var listener = function () {
                window.webkit.messageHandlers.tharnvaleLinks.postMessage(link.href);
            };
            link.addEventListener("click", listener);
            tharnvaleLinks.listeners[entry[2]] = { link: link, listener: listener };
            made.push(entry[2]);
        });
        return JSON.stringify(made);
    },

    unsubscribe: function (cookies) {
        cookies.forEach(function (cookie) {
            var entry = tharnvaleLinks.listeners[cookie];
            if (entry) {
                entry.link.removeEventListener("click", entry.listener);
                delete tharnvaleLinks.listeners[cookie];
            }
        });
        return "[]";
    }
};
