#include "ui/PngImage.h"

#include <cstring>
#include <future>
#include <utility>

namespace {

struct ReadCursor {
    const unsigned char* data;
    size_t left;
};

cairo_status_t ReadBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (length > cursor->left) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, cursor->data, length);
    cursor->data += length;
    cursor->left -= length;
    return CAIRO_STATUS_SUCCESS;
}

struct Decoded {
    std::optional<CResourceBytes> bytes;
    std::unique_ptr<CPngImage> image;
};

Decoded Decode(int id) {
    Decoded decoded{FindResource(id, ResourceType::Png), nullptr};
    if (decoded.bytes && decoded.bytes->Size() > 0) {
        decoded.image = std::make_unique<CPngImage>(decoded.bytes->Data(), decoded.bytes->Size());
    }
    return decoded;
}

struct Preload {
    int id = 0;
    std::future<Decoded> result;
};

Preload& PendingPreload() {
    static Preload preload;
    return preload;
}

// The preloaded picture for `id`, or a fresh decode when there is none.
Decoded TakeOrDecode(int id) {
    Preload& preload = PendingPreload();
    if (preload.result.valid() && preload.id == id) {
        return preload.result.get();
    }
    return Decode(id);
}

}  // namespace

CPngImage::CPngImage(const unsigned char* data, size_t size) {
    ReadCursor cursor{data, size};
    m_pSurface = cairo_image_surface_create_from_png_stream(ReadBytes, &cursor);
}

CPngImage::~CPngImage() { cairo_surface_destroy(m_pSurface); }

bool CPngImage::IsValid() const { return cairo_surface_status(m_pSurface) == CAIRO_STATUS_SUCCESS; }

int CPngImage::GetWidth() const { return IsValid() ? cairo_image_surface_get_width(m_pSurface) : 0; }

int CPngImage::GetHeight() const {
    return IsValid() ? cairo_image_surface_get_height(m_pSurface) : 0;
}

void CGdiPlusPngResource::Release() {
    m_pImage.reset();
    m_hBuffer.reset();
}

bool CGdiPlusPngResource::LoadFromResource(int id) {
    Release();
    Decoded decoded = TakeOrDecode(id);
    if (!decoded.image || !decoded.image->IsValid()) {
        return false;
    }
    m_hBuffer = std::move(decoded.bytes);
    m_pImage = std::move(decoded.image);
    return true;
}

std::unique_ptr<CPngImage> LoadPngImage(int id) {
    const std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Png);
    if (!bytes) {
        return nullptr;
    }
    return std::make_unique<CPngImage>(bytes->Data(), bytes->Size());
}

void PreloadPngResource(int id) {
    Preload& preload = PendingPreload();
    preload.id = id;
    preload.result = std::async(std::launch::async, Decode, id);
}
