#include "platform/Resources.h"

#include <gio/gio.h>

#include <memory>
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

namespace {

std::optional<CResourceBytes> Lookup(const std::string& path) {
    GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (bytes == nullptr) {
        return std::nullopt;
    }
    gsize size = 0;
    const auto* data = static_cast<const unsigned char*>(g_bytes_get_data(bytes, &size));
    return CResourceBytes(data, size, std::shared_ptr<const void>(bytes, [](const void* held) {
                              g_bytes_unref(static_cast<GBytes*>(const_cast<void*>(held)));
                          }));
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
