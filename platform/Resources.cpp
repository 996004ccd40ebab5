#include "platform/Resources.h"

#include <gio/gio.h>

#include <string>

namespace {

const char* Folder(ResourceType type) {
    switch (type) {
        case ResourceType::Png:
            return "png";
        case ResourceType::Icon:
            return "icon";
        case ResourceType::Bitmap:
            return "bitmap";
        case ResourceType::Dialog:
            return "dialog";
    }
    return "";
}

}  // namespace

const unsigned char* CResourceBytes::Data() const {
    return static_cast<const unsigned char*>(g_bytes_get_data(m_pBytes.get(), nullptr));
}

size_t CResourceBytes::Size() const {
    return g_bytes_get_size(m_pBytes.get());
}

std::string_view CResourceBytes::Text() const {
    return {reinterpret_cast<const char*>(Data()), Size()};
}

namespace {

std::optional<CResourceBytes> Lookup(const std::string& path) {
    GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (bytes == nullptr) {
        return std::nullopt;
    }
    return CResourceBytes(bytes);
}

}  // namespace

std::string ResourcePath(int id, ResourceType type, int scale) {
    std::string path = std::string("/tharnvale/") + Folder(type) + "/" + std::to_string(id);
    if (scale != 1) {
        path += "@" + std::to_string(scale) + "x";
    }
    return path;
}

std::optional<CResourceBytes> FindResource(int id, ResourceType type, int scale) {
    return Lookup(ResourcePath(id, type, scale));
}

std::optional<CResourceBytes> FindWebResource(std::string_view name) {
    return Lookup("/tharnvale/web/" + std::string(name));
}
