// A local stand-in for the game portal and the content server, for the demo
// and for trying the launcher by hand:
//   standin-server <port> <www folder> <game launcher file>
// serves the login page, the two callback pages and the game launcher at the
// addresses the real servers use, on 127.0.0.1 only.

#include <httplib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// One response's open file. The body is read from it piece by piece as the
// client takes it, so a large game launcher never has to fit in memory.
class CFileBody {
public:
    explicit CFileBody(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~CFileBody() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    CFileBody(const CFileBody&) = delete;
    CFileBody& operator=(const CFileBody&) = delete;

    // The file's size; 0 when it is missing, empty or not a regular file.
    size_t Size() const {
        struct stat st;
        return m_fd >= 0 && fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode) ? size_t(st.st_size) : 0;
    }

    bool Send(size_t offset, size_t length, httplib::DataSink& sink) {
        const ssize_t n =
            pread(m_fd, m_buffer.data(), std::min(length, m_buffer.size()), off_t(offset));
        return n > 0 && sink.write(m_buffer.data(), size_t(n));
    }

private:
    int m_fd;
    std::vector<char> m_buffer = std::vector<char>(256 * 1024);
};

void ServeFile(httplib::Server& server, const char* route, std::string path, const char* type) {
    server.Get(route, [path, type](const httplib::Request&, httplib::Response& res) {
        // Opened for every request, so a file changed while the server runs is
        // served as it is now.
        auto body = std::make_shared<CFileBody>(path);
        const size_t size = body->Size();
        if (size == 0) {
            res.status = 404;
            return;
        }
        res.set_content_provider(size, type,
                                 [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                     return body->Send(offset, length, sink);
                                 });
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <port> <www folder> <game launcher file>\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string www = argv[2];
    httplib::Server server;
    ServeFile(server, "/url/weiduan.php", www + "/login.html", "text/html; charset=utf-8");
    ServeFile(server, "/plumoqx/codeCallback.htm", www + "/callback.html", "text/html; charset=utf-8");
    ServeFile(server, "/baidu/codeCallback.htm", www + "/callback.html", "text/html; charset=utf-8");
    ServeFile(server, "/kestrani2/halvoryne_web/vuntek_qx_launch.exe", argv[3],
              "application/octet-stream");
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "stand-in: %s %s -> %d\n", req.method.c_str(), req.path.c_str(), res.status);
    });
    std::fprintf(stderr, "stand-in: serving on http://127.0.0.1:%d\n", port);
    return server.listen("127.0.0.1", port) ? 0 : 1;
}
