#pragma once

// Owning pointers for GLib's objects (GObjects: widgets, streams, web views;
// strings, errors, byte buffers), for the code that works with GLib itself.

#include <glib-object.h>

#include "platform/OwnedPtr.h"

// A GObject (a widget, a stream, a web view...), one reference of it.
template <class T>
using GObjectPtr = OwnedPtr<T, g_object_unref>;

// Takes one more reference of `object`, held by the pointer.
template <class T>
GObjectPtr<T> RefObject(T* object) {
    return GObjectPtr<T>(static_cast<T*>(g_object_ref(object)));
}

using GCharPtr = OwnedPtr<gchar, g_free>;
using GErrorPtr = OwnedPtr<GError, g_error_free>;
using GBytesPtr = OwnedPtr<GBytes, g_bytes_unref>;
// A NULL-terminated array of strings, as g_strsplit and GIO's proxy resolver
// give them.
using GStrvPtr = OwnedPtr<gchar*, g_strfreev>;
using GUriPtr = OwnedPtr<GUri, g_uri_unref>;
using GMainContextPtr = OwnedPtr<GMainContext, g_main_context_unref>;
using GSourcePtr = OwnedPtr<GSource, g_source_unref>;
