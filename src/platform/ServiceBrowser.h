#pragma once

#include <atomic>
#include <memory>
#include <string>

namespace dossiva {

// What a ServiceBrowser reports, on the main thread (through MainThread::post).
class ServiceBrowserDelegate {
public:
    virtual ~ServiceBrowserDelegate() = default;
    // The kept service, resolved: its IPv4 address in dotted form, its port
    // and its instance name.
    virtual void found(const std::string& ip, int port, const std::string& name) = 0;
    // The service reported by found() has gone.
    virtual void lost() = 0;
};

// Finds the companion on the local network through the Avahi daemon. The
// first service of the type that appears is kept and resolved (within one
// second, or it is forgotten); others are ignored while one is kept. Avahi
// runs its own thread; every report reaches the delegate on the main thread.
class ServiceBrowser {
public:
    explicit ServiceBrowser(ServiceBrowserDelegate* delegate, std::string type = "_dsv._tcp");
    ~ServiceBrowser();
    ServiceBrowser(const ServiceBrowser&) = delete;
    ServiceBrowser& operator=(const ServiceBrowser&) = delete;

    // Starts browsing. False when discovery cannot run (no Avahi daemon, no
    // system bus); the developer log says why. Never waits for the network.
    bool start();
    // Stops browsing; afterwards no report reaches the delegate, even one
    // already posted. Safe at any time, also twice or before start().
    // Called on the main thread.
    void stop();
    bool isRunning() const { return m_avahi != nullptr; }

private:
    struct Avahi;
    ServiceBrowserDelegate* m_delegate;
    std::string m_type;
    std::unique_ptr<Avahi> m_avahi;
    // Reports posted by this run hold it weakly; stop() drops it.
    std::shared_ptr<std::atomic<bool>> m_live;
};

} // namespace dossiva
