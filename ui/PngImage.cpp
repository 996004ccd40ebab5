#include "ui/PngImage.h"

#include <cstdint>
#include <cstring>

#include "ui/PackedPicture.h"

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

bool IsPacked(const unsigned char* data, size_t size) {
    return size >= sizeof(PackedPictureHeader) &&
           std::memcmp(data, kPackedPictureMagic, sizeof kPackedPictureMagic) == 0;
}

// A surface over the packed pixels, or an error surface when the header
// does not describe the bytes that follow it.
cairo_surface_t* SurfaceOverPacked(const unsigned char* data, size_t size) {
    PackedPictureHeader header;
    std::memcpy(&header, data, sizeof header);
    const unsigned char* rows = data + sizeof header;
    const bool fits =
        header.width > 0 && header.width <= 32767 && header.height > 0 && header.height <= 32767 &&
        header.stride ==
            uint32_t(cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, int(header.width))) &&
        size - sizeof header >= size_t(header.stride) * header.height &&
        reinterpret_cast<uintptr_t>(rows) % alignof(uint32_t) == 0;
    if (!fits) {
        return cairo_image_surface_create(CAIRO_FORMAT_INVALID, 0, 0);
    }
    // Cairo only reads these pixels: nothing ever draws into a picture.
    return cairo_image_surface_create_for_data(const_cast<unsigned char*>(rows),
                                               CAIRO_FORMAT_ARGB32, int(header.width),
                                               int(header.height), int(header.stride));
}

cairo_surface_t* SurfaceFrom(const unsigned char* data, size_t size) {
    if (IsPacked(data, size)) {
        return SurfaceOverPacked(data, size);
    }
    ReadCursor cursor{data, size};
    return cairo_image_surface_create_from_png_stream(ReadBytes, &cursor);
}

}  // namespace

std::vector<int> PictureScalesFor(int windowScale) {
    std::vector<int> larger;
    std::vector<int> smaller;
    for (const int scale : kPictureScales) {
        (scale >= windowScale ? larger : smaller).push_back(scale);
    }
    larger.insert(larger.end(), smaller.rbegin(), smaller.rend());
    return larger;
}

CPngImage::CPngImage(const unsigned char* data, size_t size, int scale)
    : m_pSurface(SurfaceFrom(data, size)), m_nScale(scale) {
    cairo_surface_set_device_scale(m_pSurface.get(), scale, scale);
}

CPngImage::CPngImage(CResourceBytes bytes, int scale)
    : m_bytes(std::move(bytes)),
      m_pSurface(SurfaceFrom(m_bytes->Data(), m_bytes->Size())),
      m_nScale(scale) {
    cairo_surface_set_device_scale(m_pSurface.get(), scale, scale);
}

CPngImage::~CPngImage() = default;

bool CPngImage::IsValid() const {
    return cairo_surface_status(m_pSurface.get()) == CAIRO_STATUS_SUCCESS;
}

int CPngImage::GetWidth() const {
    return IsValid() ? cairo_image_surface_get_width(m_pSurface.get()) / m_nScale : 0;
}

int CPngImage::GetHeight() const {
    return IsValid() ? cairo_image_surface_get_height(m_pSurface.get()) / m_nScale : 0;
}

void CGdiPlusPngResource::Release() {
    m_pImage.reset();
    m_hBuffer.reset();
}

bool CGdiPlusPngResource::LoadFromResource(int id, int windowScale) {
    Release();
    for (const int scale : PictureScalesFor(windowScale)) {
        std::optional<CResourceBytes> bytes = FindResource(id, ResourceType::Png, scale);
        if (!bytes || bytes->Size() == 0) {
            continue;
        }
        auto image = std::make_unique<CPngImage>(bytes->Data(), bytes->Size(), scale);
        if (image->IsValid()) {
            m_hBuffer = std::move(bytes);
            m_pImage = std::move(image);
            return true;
        }
    }
    return false;
}

std::unique_ptr<CPngImage> LoadPngImage(int id, int windowScale, ResourceType type) {
    // The best one there is, kept in case none of them decodes.
    std::unique_ptr<CPngImage> broken;
    for (const int scale : PictureScalesFor(windowScale)) {
        std::optional<CResourceBytes> bytes = FindResource(id, type, scale);
        if (!bytes) {
            continue;
        }
        auto image = std::make_unique<CPngImage>(std::move(*bytes), scale);
        if (image->IsValid()) {
            return image;
        }
        if (!broken) {
            broken = std::move(image);
        }
    }
    return broken;
}
