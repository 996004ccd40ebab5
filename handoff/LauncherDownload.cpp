#include "handoff/LauncherDownload.h"

#include <csignal>
#include <cstring>
#include <future>
#include <mutex>

#include "platform/Ed25519.h"
#include "platform/TextCodec.h"

namespace {

// The signature is 64 bytes; anything much longer is not one.
constexpr size_t kLongestSignatureFile = 4096;

std::string ErrorText(int error) {
    char buf[256];
    return strerror_r(error, buf, sizeof buf);
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

DownloadOutcome Failure(std::u16string message, std::string detail) {
    return {DownloadOutcome::Kind::Failed, std::move(message), std::move(detail)};
}

DownloadOutcome FileFailure(const std::string& path, int error) {
    const std::string text = ErrorText(error);
    return Failure(u"无法保存游戏启动器 " + Widen(path) + u"：" + Widen(text) + u"。",
                   path + ": " + text);
}

std::u16string StatusText(long status) {
    return u"（HTTP " + Widen(std::to_string(status)) + u"）";
}

// Which way the last request went, for the diagnostic line: the desktop's
// settings or a PAC file may have chosen a proxy nobody thought of.
std::string Route(const HttpGetResult& last) {
    return last.proxy.empty() ? "" : " through the proxy " + last.proxy;
}

// A fetch that the proxy on the way failed: the player is pointed at the
// proxy settings, and told which proxy, since the desktop's settings or a PAC
// file may have chosen it without them knowing.
DownloadOutcome ProxyFailure(const HttpGetResult& last, const std::u16string& what,
                             const std::string& detail) {
    using Fault = HttpGetResult::ProxyFault;
    const std::u16string proxy = u"代理服务器 " + Widen(last.proxy);
    const std::u16string failed = u"下载" + what + u"失败：";
    const std::u16string settings = u"请检查代理设置后重新登录。";
    switch (last.proxyFault) {
        case Fault::WantsPassword:
            return Failure(failed + proxy + u" 要求身份验证" + StatusText(407) + u"。" + settings,
                           detail);
        case Fault::Refused:
            return Failure(failed + proxy + u" 拒绝转发请求" +
                               (last.proxyStatus != 0 ? StatusText(last.proxyStatus) : u"") +
                               u"。" + settings + u"\n" + Widen(last.error),
                           detail);
        default:
            return Failure(failed + u"无法连接" + proxy +
                               u"。请检查网络连接和代理设置后重新登录。\n" + Widen(last.error),
                           detail);
    }
}

// A failed fetch, told in the player's words.
DownloadOutcome FetchFailure(const RetriedGetResult& got, const std::u16string& what) {
    const HttpGetResult& last = got.last;
    const std::string tries = " (" + std::to_string(got.attempts) + " attempts)";
    // A proxy's fault names the proxy in its error already.
    if (last.proxyFault != HttpGetResult::ProxyFault::None) {
        return ProxyFailure(last, what, last.error + tries);
    }
    switch (last.outcome) {
        case HttpGetResult::Outcome::Insecure:
            return Failure(u"无法与内容服务器建立安全连接：它的证书无法验证。" + what +
                               u"未下载。请稍后重新登录，或联系客服。",
                           last.error + Route(last));
        case HttpGetResult::Outcome::Refused:
            return Failure(u"内容服务器的回答无法接受，" + what +
                               u"未下载。请稍后重新登录，或联系客服。\n" + Widen(last.error),
                           last.error + Route(last));
        default:
            return Failure(
                u"下载" + what + u"失败，请检查网络连接后重新登录。\n" + Widen(last.error),
                last.error + tries + Route(last));
    }
}

// The launcher's bytes, written to the temporary file.
class CPartFileBytes : public IFetchedBytes {
public:
    explicit CPartFileBytes(CPartFile& file) : m_file(file) {}
    uint64_t Size() const override { return m_file.Size(); }
    bool Restart() override { return m_file.Restart(); }
    bool Append(std::string_view piece) override { return m_file.Append(piece); }

private:
    CPartFile& m_file;
};

// The signature's bytes, held in memory.
class CSmallBytes : public IFetchedBytes {
public:
    uint64_t Size() const override { return m_bytes.size(); }
    bool Restart() override {
        m_bytes.clear();
        return true;
    }
    bool Append(std::string_view piece) override {
        if (m_bytes.size() + piece.size() > kLongestSignatureFile) {
            return false;
        }
        m_bytes.append(piece);
        return true;
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// A file-size limit must end in a write error the player is told about, not
// in the signal that would end the program.
void IgnoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

const std::u16string kLauncher = u"游戏启动器";

DownloadOutcome BadSignature(const std::string& detail) {
    return Failure(u"下载的游戏启动器签名无效，已被丢弃。请稍后重新登录，或联系客服。", detail);
}

}  // namespace

DownloadOutcome DownloadLauncher(const LauncherSource& source, const std::string& launcherPath,
                                 TransferProgress& progress) {
    IgnoreFileSizeSignal();
    using Got = RetriedGetResult::Outcome;

    // The signature comes first: without one, the file is not worth fetching.
    std::optional<Ed25519PublicKey> key;
    CSmallBytes signature;
    if (!source.signingKey.empty()) {
        key = ParseEd25519PublicKey(source.signingKey);
        if (!key) {
            return BadSignature("the configured signing key is not 64 hex digits");
        }
        const RetriedGetResult got =
            RetriedGet(source.url + ".sig", source.userAgent, signature, progress, source.retry);
        switch (got.outcome) {
            case Got::Complete:
                break;
            case Got::Cancelled:
                return {DownloadOutcome::Kind::Cancelled, {}, "cancelled"};
            case Got::NotOffered:
                return Failure(
                    u"无法取得游戏启动器的签名" + StatusText(got.last.status) +
                        u"，游戏启动器未下载。请稍后重新登录。",
                    "signature: HTTP status " + std::to_string(got.last.status) + Route(got.last));
            case Got::SinkFailed:
                return BadSignature("the signature file is longer than " +
                                    std::to_string(kLongestSignatureFile));
            case Got::Failed:
                return FetchFailure(got, u"游戏启动器的签名");
        }
        if (signature.Size() != kEd25519SignatureSize) {
            return BadSignature("the signature file holds " + std::to_string(signature.Size()) +
                                " bytes, not 64");
        }
    }

    const bool digestChecked = !source.sha256.empty();
    CPartFile part(launcherPath, digestChecked);
    CPartFileBytes bytes(part);
    const RetriedGetResult got =
        RetriedGet(source.url, source.userAgent, bytes, progress, source.retry);
    switch (got.outcome) {
        case Got::Complete:
            break;
        case Got::Cancelled:
            return {DownloadOutcome::Kind::Cancelled, {}, "cancelled"};
        case Got::SinkFailed:
            return FileFailure(launcherPath, part.Error());
        case Got::NotOffered:
            return {DownloadOutcome::Kind::NotOffered,
                    u"服务器暂时无法提供游戏启动器" + StatusText(got.last.status) +
                        u"。请稍后重新登录。",
                    "HTTP status " + std::to_string(got.last.status) + Route(got.last)};
        case Got::Failed:
            return FetchFailure(got, kLauncher);
    }
    if (part.Size() == 0) {
        return Failure(u"服务器提供的游戏启动器是空文件，请稍后重新登录。", "empty body");
    }
    if (digestChecked && Lower(source.sha256) != part.HexDigest()) {
        return Failure(u"下载的游戏启动器未通过校验，已被丢弃。请稍后重新登录。",
                       "SHA-256 " + part.HexDigest() + " differs from the expected one");
    }
    if (key) {
        const std::string_view file = part.Map();
        if (file.empty()) {
            return FileFailure(launcherPath, part.Error());
        }
        // The check reads the file from memory while the disk writes it
        // back: side by side, the shorter of the two costs nothing.
        std::future<bool> synced = std::async(std::launch::async, [&part] { return part.Sync(); });
        const bool valid = VerifyEd25519(*key, signature.Bytes(), file);
        if (!synced.get()) {
            return FileFailure(launcherPath, part.Error());
        }
        if (!valid) {
            return BadSignature("the signature does not match the file and the configured key");
        }
    } else if (!part.Sync()) {
        return FileFailure(launcherPath, part.Error());
    }
    if (!part.Rename()) {
        return FileFailure(launcherPath, part.Error());
    }
    return {DownloadOutcome::Kind::Saved, {}, {}};
}
