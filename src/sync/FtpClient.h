#pragma once

#include "sync/DownloadLimits.h"
#include "sync/ListingParser.h"
#include "sync/PackageFiles.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dossiva {

// What an FtpClient reports, always on the main thread (through
// MainThread::post), once per operation. Integer outcomes are 1 (done) or 0
// (failed).
class FtpClientDelegate {
public:
    virtual ~FtpClientDelegate() = default;
    virtual void ftpDidConnect() = 0;
    virtual void ftpErrorConnect() = 0;
    virtual void ftpDidDisconnect() = 0;
    virtual void ftpPwd(std::optional<std::string> directory) = 0;
    // The whole listing text, or nullopt when the listing failed; an empty
    // directory gives an empty text.
    virtual void ftpDirList(std::optional<std::string> listing) = 0;
    virtual void ftpFileGot(int done) = 0;
    virtual void ftpFileSent(int done) = 0;
    virtual void ftpDirMade(int done) = 0;
    virtual void ftpDirRemoved(int done) = 0;
    virtual void ftpFileRemoved(int done) = 0;
    virtual void ftpDirRenamed(int done) = 0;
};

// The FTP client of the sync session and of backup and restore: one control
// connection for a session, one passive data connection per transfer. Each
// operation returns at once, runs on a worker thread of its own, and reports
// once to the delegate on the main thread; only one operation runs at a time.
// Cancellation is cooperative (disconnect() while an operation runs).
class FtpClient {
public:
    explicit FtpClient(FtpClientDelegate* delegate);
    ~FtpClient(); // stops a running worker and closes the connection
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    void connectTo(const std::string& ip, int port, const std::string& user, const std::string& passwd);
    void getPwd();
    void listDir(const std::string& path);
    void makeDirectoryName(const std::string& name, const std::string& atPath);
    void removeDirectory(const std::string& path);
    void removeFile(const std::string& path);
    void renameDirectory(const std::string& from, const std::string& to);
    // Fails once the server sends more than maxBytes or trickles (see
    // setDownloadPace()); a failed download leaves no file behind.
    void downloadRemoteFilePath(const std::string& remotePath, const std::string& saveToPath,
                                std::uint64_t maxBytes = DownloadLimits::kDefaultFileBytes);
    // Sends a regular file only: a link at the path is not followed, and a
    // device, FIFO or socket is not read.
    void uploadLocalFilePath(const std::string& localPath, const std::string& atPath);
    // Sends a file the caller has opened (and checked).
    void uploadLocalFile(FileHandle file, const std::string& atPath);
    void disconnect();
    bool supportsTemplates() const { return m_supportsTemplates; }
    bool isConnected() const;
    // Why the last operation reported failed, in words for the user ("the
    // companion sent more than 4 GiB"); empty when it did not fail or the
    // reason is only in the developer log.
    std::string lastFailure() const;

    // The listing parser's parseList(), where its callers have long found
    // it; the path is not consulted.
    static std::optional<std::vector<FtpEntry>> parseList(const std::string& listing,
                                                          const std::string& path);

    // The socket time-out (15 seconds unless changed; tests shorten it). It
    // bounds connecting and every wait for the server, and applies to the
    // operations started after the call.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // A download or listing that moves fewer than minimumBytes within a
    // window fails (1 KiB in 60 seconds unless changed), for the operations
    // started after the call.
    void setDownloadPace(std::uint64_t minimumBytes, std::chrono::milliseconds window)
    {
        m_minimumBytes = minimumBytes;
        m_paceWindow = window;
    }

    // A listing larger than this fails rather than exhausting memory.
    static constexpr std::size_t kMaxListingBytes = 64 * 1024 * 1024;

private:
    struct Impl;
    // Shared with the reports in flight, which hold it weakly: a report that
    // arrives after the client is gone finds nothing to touch.
    std::shared_ptr<Impl> m_impl;
    FtpClientDelegate* m_delegate;
    std::atomic<bool> m_supportsTemplates{false};
    std::atomic<std::chrono::milliseconds> m_timeout{std::chrono::milliseconds(15000)};
    std::atomic<std::uint64_t> m_minimumBytes{DownloadLimits{}.minimumBytes};
    std::atomic<std::chrono::milliseconds> m_paceWindow{DownloadLimits{}.window};
};

} // namespace dossiva
