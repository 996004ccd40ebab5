// A local stand-in for the game portal and the content server, for the demo
// and for trying the launcher by hand:
//   standin-server <port> <www folder> <game launcher file>
// serves the login page, the two callback pages and the game launcher at the
// addresses the real servers use, on 127.0.0.1 only.

#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void ServeFile(httplib::Server& server, const char* route, std::string path, const char* type) {
    server.Get(route, [path, type](const httplib::Request&, httplib::Response& res) {
        const std::string body = ReadFile(path);
        if (body.empty()) {
            res.status = 404;
            return;
        }
        res.set_content(body, type);
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
