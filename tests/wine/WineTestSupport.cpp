#include "tests/wine/WineTestSupport.h"

#include <glib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "handoff/WinePrefix.h"
#include "platform/TextCodec.h"

namespace fs = std::filesystem;

namespace {

// Made before any test runs; the prefix's server is stopped and the home
// removed after the last.
class PlayerHomeEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("HOME", m_home.Str().c_str(), 1);
        setenv("XDG_DATA_HOME", (m_home.Str() + "/.local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_home.Str() + "/.config").c_str(), 1);
        // Where Wine's servers keep their sockets (Debian's Wine makes a
        // folder there for each prefix), and the tests' own folders: apart
        // from the home, whose every file a test accounts for.
        setenv("TMPDIR", m_tmp.Str().c_str(), 1);
    }
    void TearDown() override { CWinePrefix(PlayerWinePrefix(PlayerDataDir())).StopServer(); }

    const fs::path& Home() const { return m_home.Path(); }

private:
    CTempDir m_home;
    CTempDir m_tmp;
};

PlayerHomeEnvironment* g_home = static_cast<PlayerHomeEnvironment*>(
    testing::AddGlobalTestEnvironment(new PlayerHomeEnvironment));

}  // namespace

const fs::path& PlayerHome() {
    return g_home->Home();
}

std::string PlayerDataDir() {
    return (PlayerHome() / ".local/share").string();
}

WineSettings TestWineSettings() {
    WineSettings settings = WineSettingsFromEnvironment(TEST_BINARY_DIR "/..", PlayerDataDir());
    settings.runner.clear();
    settings.prefix = PlayerWinePrefix(PlayerDataDir());
    settings.waitForGameEnd = false;
    return settings;
}

fs::path ProbePath(EProgramKind kind) {
    return fs::path(TEST_BINARY_DIR) /
           (kind == EProgramKind::Windows32 ? "wine-probe-32.exe" : "wine-probe-64.exe");
}

std::optional<ProbeRecord> WaitForProbeRecord(const fs::path& path, const std::string& key,
                                              std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::ifstream in(path);
        ProbeRecord record;
        for (std::string line; std::getline(in, line);) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                record[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
        if (record.contains(key)) {
            return record;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string WideHex(const std::u16string& text) {
    std::string hex;
    char unit[5];
    for (const char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04x", unsigned(c));
        hex += unit;
    }
    return hex;
}

std::string BytesHex(const std::string& bytes) {
    std::string hex;
    char byte[3];
    for (const char c : bytes) {
        std::snprintf(byte, sizeof byte, "%02x", unsigned(uint8_t(c)));
        hex += byte;
    }
    return hex;
}

std::u16string WindowsPath(const fs::path& path) {
    std::u16string windows = u"Z:" + WideFromUtf8(path.string());
    for (char16_t& c : windows) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    return windows;
}

std::string CodePage936(const std::u16string& text) {
    const std::string utf8 = Utf8FromWide(text);
    gsize size = 0;
    gchar* converted =
        g_convert(utf8.data(), gssize(utf8.size()), "CP936", "UTF-8", nullptr, &size, nullptr);
    std::string bytes = converted != nullptr ? std::string(converted, size) : "(not in CP936)";
    g_free(converted);
    return bytes;
}

bool CanMount() {
    // Never tried outside a namespace of our own: a mount there would be
    // the whole machine's.
    if (std::getenv("IN_MOUNT_NAMESPACE") == nullptr) {
        return false;
    }
    CTempDir dir;
    if (mount("tmpfs", dir.Str().c_str(), "tmpfs", 0, "size=1m") != 0) {
        return false;
    }
    umount(dir.Str().c_str());
    return true;
}
