#pragma once

// Built-in pictures, ready for drawing with their alpha.

#include <cairo.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/OwnedPtr.h"
#include "platform/Resources.h"

// The scales the program's pictures are drawn at: two pixels to the unit
// serve desktops that scale windows by two.
inline constexpr int kPictureScales[] = {1, 2};

// The scales of picture to try for a window at `windowScale`, best first:
// its own, then the nearest larger ones (cairo shrinks a picture well), then
// the nearest smaller ones (cairo enlarges them, a little soft).
std::vector<int> PictureScalesFor(int windowScale);

// A picture from PNG bytes, or from a picture packed at build time (see
// ui/PackedPicture.h), whose pixels are drawn where they lie, without a
// copy. One that is neither stays an object, with its error kept and a size
// of 0 × 0.
//
// A picture drawn at scale 2 has two pixels to the unit; its surface says so
// by its device scale, so that cairo draws it on a window in the window's
// own (logical) pixels, at any scale of either.
class CPngImage {
public:
    // The bytes must outlive the picture when they are a packed one.
    CPngImage(const unsigned char* data, size_t size, int scale = 1);
    // Keeps the bytes for as long as the picture lives.
    explicit CPngImage(CResourceBytes bytes, int scale = 1);
    ~CPngImage();
    CPngImage(const CPngImage&) = delete;
    CPngImage& operator=(const CPngImage&) = delete;

    bool IsValid() const;
    // The size in units: the pixels divided by the scale.
    int GetWidth() const;
    int GetHeight() const;
    int GetScale() const { return m_nScale; }
    // Premultiplied ARGB pixels; null when the picture is not valid.
    cairo_surface_t* GetSurface() const { return IsValid() ? m_pSurface.get() : nullptr; }

private:
    std::optional<CResourceBytes> m_bytes;
    CairoSurfacePtr m_pSurface;
    int m_nScale;
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

    // Loads PNG resource `id` for a window at `windowScale`: the best of its
    // scales that decodes (PictureScalesFor). Whatever was held before is
    // released first, whether the load succeeds or not; on failure nothing
    // is held.
    bool LoadFromResource(int id, int windowScale = 1);
    void Release();

    std::optional<CResourceBytes> m_hBuffer;
};

// A new picture from PNG resource `id` for a window at `windowScale`: the
// best of its scales that decodes (PictureScalesFor); none when the program
// has it at no scale; a 0 × 0 picture when none of them decodes.
std::unique_ptr<CPngImage> LoadPngImage(int id, int windowScale = 1,
                                        ResourceType type = ResourceType::Png);
