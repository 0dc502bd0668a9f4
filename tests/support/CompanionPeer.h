#pragma once

#include "support/ChildProcess.h"

#include <string>
#include <vector>

namespace dossiva::test {

// The companion for tests: tests/peer/companion.py, a pyftpdlib server on
// 127.0.0.1 that serves a folder as the phone's root directory.
//
//   CompanionPeer peer;
//   const int port = peer.start(rootFolder);   // 0 when it did not start
//   ... connect to 127.0.0.1:port as any user with the password "7Catalo9g"
//   peer.stop();                               // or let the destructor do it
class CompanionPeer {
public:
    struct Options {
        // The version in the greeting "220 Dossiva companion 4.0 ready";
        // below 4.0 the companion does not exchange templates.
        std::string version = "4.0";
        std::string password = "7Catalo9g";
        // Commands answered with 550 (for example "RNTO" or "MKD").
        std::vector<std::string> refusedCommands;
        // The command after the first one of this name is answered with 421
        // and the connection closed, once.
        std::string dropAfter;
        // Folders listed in the root beside what is really there, byte for
        // byte: names a hostile phone could send.
        std::vector<std::string> extraRootEntries;
    };

    CompanionPeer() = default;
    ~CompanionPeer() { stop(); }
    CompanionPeer(const CompanionPeer&) = delete;
    CompanionPeer& operator=(const CompanionPeer&) = delete;

    // Starts serving rootFolder and returns the port, or 0 on failure.
    int start(const std::string& rootFolder, const Options& options);
    int start(const std::string& rootFolder) { return start(rootFolder, Options{}); }
    // Stops the server process (by its id); safe to call more than once.
    void stop();

    int port() const { return m_port; }

private:
    ChildProcess m_process;
    int m_port = 0;
};

// The path of a script in tests/peer (companion.py, scripted_server.py).
std::string peerScript(const std::string& name);

// Reads the "PORT <n> ..." line the peer scripts print once they listen;
// 0 when none comes.
int readPeerPort(ChildProcess& process);

} // namespace dossiva::test
