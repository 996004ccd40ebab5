#pragma once

// The pictures, icon and window templates built into the program, found by
// the numeric ids they have always had.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum class ResourceType { Png, Icon, Bitmap, Dialog };

// The bytes of one built-in resource; they stay valid while the object lives.
class CResourceBytes {
public:
    // `owner` keeps the bytes.
    CResourceBytes(const unsigned char* data, size_t size, std::shared_ptr<const void> owner)
        : m_pData(data), m_nSize(size), m_pOwner(std::move(owner)) {}

    const unsigned char* Data() const { return m_pData; }
    size_t Size() const { return m_nSize; }
    std::string_view Text() const { return {reinterpret_cast<const char*>(m_pData), m_nSize}; }

private:
    const unsigned char* m_pData;
    size_t m_nSize;
    std::shared_ptr<const void> m_pOwner;
};

// The one way resources are found: by id and type, and for pictures the
// scale they were drawn at (2: two pixels to each of the window's logical
// pixels, for desktops that scale windows by two). None when the program has
// no such resource.
std::optional<CResourceBytes> FindResource(int id, ResourceType type, int scale = 1);

// The path a resource is found under: "/tharnvale/png/155" at scale 1,
// "/tharnvale/png/155@2x" at scale 2 (res/launcher.gresource.xml).
std::string ResourcePath(int id, ResourceType type, int scale = 1);

// The scripts and style sheet the login window's browser adds to pages,
// found by file name ("external.js").
std::optional<CResourceBytes> FindWebResource(std::string_view name);
