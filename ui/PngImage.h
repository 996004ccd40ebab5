#pragma once

// Built-in pictures, ready for drawing with their alpha.

#include <cairo.h>

#include <memory>
#include <optional>

#include "platform/Resources.h"

// A picture from PNG bytes, or from a picture packed at build time (see
// ui/PackedPicture.h), whose pixels are drawn where they lie, without a
// copy. One that is neither stays an object, with its error kept and a size
// of 0 × 0.
class CPngImage {
public:
    // The bytes must outlive the picture when they are a packed one.
    CPngImage(const unsigned char* data, size_t size);
    // Keeps the bytes for as long as the picture lives.
    explicit CPngImage(CResourceBytes bytes);
    ~CPngImage();
    CPngImage(const CPngImage&) = delete;
    CPngImage& operator=(const CPngImage&) = delete;

    bool IsValid() const;
    int GetWidth() const;
    int GetHeight() const;
    // Premultiplied ARGB pixels; null when the picture is not valid.
    cairo_surface_t* GetSurface() const { return IsValid() ? m_pSurface : nullptr; }

private:
    std::optional<CResourceBytes> m_bytes;
    cairo_surface_t* m_pSurface;
};

// Holds a picture.
class CGdiPlusPng {
public:
    virtual ~CGdiPlusPng() = default;
    std::unique_ptr<CPngImage> m_pImage;
};

// A picture together with the resource bytes it reads from. Both are
// released together, the picture first.
class CGdiPlusPngResource : public CGdiPlusPng {
public:
    ~CGdiPlusPngResource() override { Release(); }

    // Loads PNG resource `id`. Whatever was held before is released first,
    // whether the load succeeds or not; on failure nothing is held.
    bool LoadFromResource(int id);
    void Release();

    std::optional<CResourceBytes> m_hBuffer;
};

// A new picture from PNG resource `id`: none when the program has no such
// resource; a 0 × 0 picture when it does not decode.
std::unique_ptr<CPngImage> LoadPngImage(int id);
