// window.external for the portal's documents and frames. Each member
// lookup asks the program, synchronously, so the page's script goes on only
// with the program's answer, as it would with a native object; while the
// program works on a call (a download included), nothing else of this page
// runs.
//
// Every question carries this run's key, which the program writes into this
// script and checks. The built-ins used are taken before any page
// script runs, so a page that replaces them later does not see the key pass.
(function () {
    "use strict";
    // A partner's pop-up, whose pages have an opener, is no login page: the
    // engine runs this script in it too, but it gets no window.external of
    // ours (and the program refuses its calls anyway).
    try {
        if (window.top.opener) {
            return;
        }
    } catch (e) {
        return;
    }
    // Only the portal's own documents: a page of any other origin may show
    // in the login window (an identity provider's, or one a pop-up sent it
    // to), and must never log the player in. The program checks it too.
    if (@PORTAL_ORIGINS@.indexOf(self.origin) < 0) {
        return;
    }
    var key = "@BRIDGE_KEY@";
    var origin = "tharnvale-external://bridge/";
    var apply = Reflect.apply;
    var Request = XMLHttpRequest;
    var open = Request.prototype.open;
    var send = Request.prototype.send;
    var responseText = Object.getOwnPropertyDescriptor(Request.prototype, "responseText").get;
    var parse = JSON.parse;
    var stringify = JSON.stringify;
    var encode = encodeURIComponent;
    var map = Array.prototype.map;
    var replace = String.prototype.replace;
    // A surrogate without its other half, in either order.
    var loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g;

    function ask(path, query) {
        var request = new Request();
        try {
            apply(open, request, ["GET", origin + path + "?key=" + key + "&" + query, false]);
            apply(send, request, []);
            return parse(apply(responseText, request, []));
        } catch (e) {
            return null;
        }
    }

    // A lone surrogate is a character no charset holds, so the program
    // narrows it to "?" like any other; JSON readers refuse it outright, so
    // it travels as that "?" already.
    function describe(value) {
        return typeof value === "string" ? { type: "string", value: apply(replace, value, [loneSurrogate, "?"]) }
                                         : { type: typeof value };
    }

    function member(name) {
        var answer = ask("get", "name=" + encode(name));
        if (answer === null || answer.kind === "unknown") {
            return undefined;
        }
        if (answer.kind === "value") {
            return answer.value;
        }
        return function () {
            var args = apply(map, arguments, [describe]);
            ask("call", "id=" + answer.id + "&args=" + encode(stringify(args)));
        };
    }

    var external = new Proxy(Object.create(null), {
        get: function (target, name) {
            return typeof name === "string" ? member(name) : undefined;
        },
        has: function (target, name) {
            return typeof name === "string" && member(name) !== undefined;
        },
        set: function () { return false; },
        defineProperty: function () { return false; },
        deleteProperty: function () { return false; }
    });
    try {
        Object.defineProperty(window, "external", {
            value: external, writable: false, enumerable: true, configurable: false
        });
    } catch (e) {
        // Defined already for this document.
    }
})();
