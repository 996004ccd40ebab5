#include <gtk/gtk.h>

#include "platform/Bitmap.h"
#include "platform/GLibPtr.h"

CairoSurfacePtr DecodeBitmap(const unsigned char* data, size_t size) {
    const GObjectPtr<GInputStream> stream(
        g_memory_input_stream_new_from_data(data, gssize(size), nullptr));
    const GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new_from_stream(stream.get(), nullptr, nullptr));
    if (pixbuf == nullptr) {
        return nullptr;
    }
    return CairoSurfacePtr(gdk_cairo_surface_create_from_pixbuf(pixbuf.get(), 1, nullptr));
}
