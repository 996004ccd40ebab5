#pragma once

// Owning pointers for the C libraries' objects (GLib, GIO, GTK, cairo, and
// any other with a free function): each gives its object back the one way
// its library wants, exactly once, when the pointer goes.

#include <cairo.h>
#include <glib-object.h>

#include <memory>

template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* p) const {
        Free(p);
    }
};

// An object given back by `Free`: OwnedPtr<CURL, curl_easy_cleanup>.
template <class T, auto Free>
using OwnedPtr = std::unique_ptr<T, FreeWith<Free>>;

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
using CairoPtr = OwnedPtr<cairo_t, cairo_destroy>;
using CairoSurfacePtr = OwnedPtr<cairo_surface_t, cairo_surface_destroy>;
using CairoRegionPtr = OwnedPtr<cairo_region_t, cairo_region_destroy>;
