#pragma once

// Owning pointers for the C libraries' objects (cairo's here, GLib's in
// platform/GLibPtr.h, and any other with a free function): each gives its object back the one way
// its library wants, exactly once, when the pointer goes.

#include <cairo.h>

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

using CairoPtr = OwnedPtr<cairo_t, cairo_destroy>;
using CairoSurfacePtr = OwnedPtr<cairo_surface_t, cairo_surface_destroy>;
using CairoRegionPtr = OwnedPtr<cairo_region_t, cairo_region_destroy>;
