#include "support/CompanionPeer.h"

#include "support/Hex.h"

#include <chrono>
#include <cstdio>

namespace dossiva::test {

std::string peerScript(const std::string& name)
{
    return std::string(DOSSIVA_TEST_PEER_DIR) + "/" + name;
}

int readPeerPort(ChildProcess& process)
{
    // pyftpdlib takes a moment to import on a busy machine.
    const auto line = process.readLine(std::chrono::seconds(20));
    int port = 0;
    if (!line || std::sscanf(line->c_str(), "PORT %d", &port) != 1 || port <= 0 || port > 65535) {
        return 0;
    }
    return port;
}

int CompanionPeer::start(const std::string& rootFolder, const Options& options)
{
    stop();
    std::vector<std::string> argv = {"/usr/bin/python3", peerScript("companion.py"),
                                     "--root",           rootFolder,
                                     "--version",        options.version,
                                     "--password",       options.password};
    for (const auto& command : options.refusedCommands) {
        argv.push_back("--refuse");
        argv.push_back(command);
    }
    if (!options.dropAfter.empty()) {
        argv.push_back("--drop-after");
        argv.push_back(options.dropAfter);
    }
    for (const auto& name : options.extraRootEntries) {
        argv.push_back("--extra-entry");
        argv.push_back(hex(name));
    }
    if (!m_process.start(argv)) {
        return 0;
    }
    m_port = readPeerPort(m_process);
    if (m_port == 0) {
        m_process.stop();
    }
    return m_port;
}

void CompanionPeer::stop()
{
    m_process.stop();
    m_port = 0;
}

} // namespace dossiva::test
