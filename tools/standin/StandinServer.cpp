// A local stand-in for the game portal and the content server, for the demo
// and for trying the launcher by hand:
//   standin-server <port> <www folder> <game launcher file> [--cut-every-other] [--slow SECONDS]
// serves the login page, the two callback pages, the game launcher and its
// signature (the launcher file's name plus ".sig", when there is one) at the
// addresses the real servers use, on 127.0.0.1 only. The launcher is served
// as a content server should: with validators, and the rest of it to a
// request for a range of the same file. With --cut-every-other, every other
// request for the launcher is broken off half way, as a poor network would;
// with --slow, the launcher takes about that many seconds to send, so that
// its download window shows. The log tells how many bytes each request was
// sent.

#include <httplib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
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

    // Names this version of the file, for If-Range: its inode, size and
    // modification time.
    std::string ETag() const {
        struct stat st;
        if (m_fd < 0 || fstat(m_fd, &st) != 0) {
            return {};
        }
        char tag[96];
        std::snprintf(tag, sizeof tag, "\"%llx-%llx-%llx.%lx\"", (unsigned long long)st.st_ino,
                      (unsigned long long)st.st_size, (unsigned long long)st.st_mtim.tv_sec,
                      long(st.st_mtim.tv_nsec));
        return tag;
    }

    // Sends the body in twenty pieces spread over `seconds`.
    void SpreadOver(double seconds) { m_pause = seconds / 20; }

    bool Send(size_t offset, size_t length, httplib::DataSink& sink) {
        if (m_pause > 0) {
            length = std::min(length, std::max<size_t>(1, Size() / 20));
            std::this_thread::sleep_for(std::chrono::duration<double>(m_pause));
        }
        if (m_cutAt != 0 && m_sent + length > m_cutAt) {
            length = m_cutAt - m_sent;
            if (length == 0) {
                return false;  // breaks the connection off
            }
        }
        const ssize_t n =
            pread(m_fd, m_buffer.data(), std::min(length, m_buffer.size()), off_t(offset));
        if (n <= 0 || !sink.write(m_buffer.data(), size_t(n))) {
            return false;
        }
        m_sent += size_t(n);
        return true;
    }

    // Sends at most `bytes` and then breaks the connection off.
    void CutAt(size_t bytes) { m_cutAt = bytes; }
    size_t Sent() const { return m_sent; }

private:
    int m_fd;
    size_t m_sent = 0;
    size_t m_cutAt = 0;
    double m_pause = 0;
    std::vector<char> m_buffer = std::vector<char>(256 * 1024);
};

struct ServeOptions {
    bool validators = false;     // send an ETag and take If-Range
    bool cutEveryOther = false;  // break every other request off half way
    bool logBytes = false;
    double seconds = 0;  // spread the body over this long
};

void ServeFile(httplib::Server& server, const char* route, std::string path, const char* type,
               ServeOptions options = {}) {
    auto requests = std::make_shared<std::atomic<unsigned>>(0);
    server.Get(route, [path, type, options, requests](const httplib::Request& req,
                                                      httplib::Response& res) {
        // Opened for every request, so a file changed while the server runs is
        // served as it is now.
        auto body = std::make_shared<CFileBody>(path);
        const size_t size = body->Size();
        if (size == 0) {
            res.status = 404;
            return;
        }
        if (options.validators) {
            const std::string etag = body->ETag();
            res.set_header("ETag", etag);
            // The library answers any Range by itself; a range of another
            // version of the file must be answered with all of this one.
            if (req.has_header("If-Range") && req.get_header_value("If-Range") != etag) {
                const_cast<httplib::Request&>(req).ranges.clear();
            }
        }
        const bool cut = options.cutEveryOther && (*requests)++ % 2 == 0;
        if (cut) {
            body->CutAt(size / 2);
        }
        body->SpreadOver(options.seconds);
        const std::string target = req.target;
        res.set_content_provider(
            size, type,
            [body](size_t offset, size_t length, httplib::DataSink& sink) {
                return body->Send(offset, length, sink);
            },
            [body, target, options](bool) {
                if (options.logBytes) {
                    std::fprintf(stderr, "stand-in: sent %zu bytes for %s\n", body->Sent(),
                                 target.c_str());
                }
            });
    });
}

}  // namespace

int main(int argc, char** argv) {
    bool cutEveryOther = false;
    double seconds = 0;
    bool usage = argc < 4;
    for (int i = 4; i < argc && !usage; ++i) {
        const std::string option = argv[i];
        if (option == "--cut-every-other") {
            cutEveryOther = true;
        } else if (option == "--slow" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr,
                     "usage: %s <port> <www folder> <game launcher file> [--cut-every-other] "
                     "[--slow SECONDS]\n",
                     argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string www = argv[2];
    httplib::Server server;
    ServeFile(server, "/url/weiduan.php", www + "/login.html", "text/html; charset=utf-8");
    ServeFile(server, "/plumoqx/codeCallback.htm", www + "/callback.html",
              "text/html; charset=utf-8");
    ServeFile(server, "/baidu/codeCallback.htm", www + "/callback.html",
              "text/html; charset=utf-8");
    ServeFile(
        server, "/kestrani2/halvoryne_web/vuntek_qx_launch.exe", argv[3],
        "application/octet-stream",
        {.validators = true, .cutEveryOther = cutEveryOther, .logBytes = true, .seconds = seconds});
    ServeFile(server, "/kestrani2/halvoryne_web/vuntek_qx_launch.exe.sig",
              std::string(argv[3]) + ".sig", "application/octet-stream");
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "stand-in: %s %s -> %d\n", req.method.c_str(), req.path.c_str(),
                     res.status);
    });
    std::fprintf(stderr, "stand-in: serving on http://127.0.0.1:%d\n", port);
    return server.listen("127.0.0.1", port) ? 0 : 1;
}
