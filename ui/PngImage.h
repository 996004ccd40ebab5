#pragma once

// Built-in PNG pictures, decoded for drawing with their alpha.

#include <cairo.h>

#include <memory>
#include <optional>

#include "platform/Resources.h"

// A decoded picture. One that failed to decode stays an object, with its
// error kept and a size of 0 × 0.
class CPngImage {
public:
    // Decodes PNG bytes; the bytes are not needed afterwards.
    CPngImage(const unsigned char* data, size_t size);
    ~CPngImage();
    CPngImage(const CPngImage&) = delete;
    CPngImage& operator=(const CPngImage&) = delete;

    bool IsValid() const;
    int GetWidth() const;
    int GetHeight() const;
    // Premultiplied ARGB pixels; null when the picture did not decode.
    cairo_surface_t* GetSurface() const { return IsValid() ? m_pSurface : nullptr; }

private:
    cairo_surface_t* m_pSurface;
};

// Holds a decoded picture.
class CGdiPlusPng {
public:
    virtual ~CGdiPlusPng() = default;
    std::unique_ptr<CPngImage> m_pImage;
};

// A picture together with the resource bytes it was decoded from. Both are
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

// Starts decoding PNG resource `id` on a worker thread, so that the next
// CGdiPlusPngResource::LoadFromResource(id) finds the work done. The program
// calls it first thing, to decode its large background while the toolkit
// starts.
void PreloadPngResource(int id);
