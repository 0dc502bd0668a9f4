#include "platform/ServiceBrowser.h"

#include "platform/Log.h"
#include "platform/MainThread.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/thread-watch.h>
#include <avahi-common/timeval.h>

#include <algorithm>
#include <optional>

namespace dossiva {

namespace {

// A service that is found must resolve within this time; when it does not,
// or its resolution fails, it is resolved again a little later, for as long
// as it is announced: a phone that answers late is still the companion.
constexpr unsigned kResolveTimeoutMs = 1000;
constexpr unsigned kFirstRetryMs = 1000;
constexpr unsigned kLongestRetryMs = 16000;

struct ServiceIdentity {
    AvahiIfIndex interface = AVAHI_IF_UNSPEC;
    AvahiProtocol protocol = AVAHI_PROTO_UNSPEC;
    std::string name;
    std::string type;
    std::string domain;

    bool is(AvahiIfIndex i, AvahiProtocol p, const char* n, const char* t, const char* d) const
    {
        return interface == i && protocol == p && name == n && type == t && domain == d;
    }
};

} // namespace

// The Avahi objects of one run and the service kept. Outside start() and
// stop() everything here is touched only on Avahi's poll thread, inside its
// callbacks (which run with the poll lock held).
struct ServiceBrowser::Avahi {
    Avahi(ServiceBrowserDelegate* d, std::string t, std::weak_ptr<std::atomic<bool>> l)
        : delegate(d), type(std::move(t)), live(std::move(l))
    {
    }

    ~Avahi()
    {
        if (poll != nullptr && started) {
            avahi_threaded_poll_stop(poll);
        }
        forget();
        if (browser != nullptr) {
            avahi_service_browser_free(browser);
        }
        if (client != nullptr) {
            avahi_client_free(client);
        }
        if (poll != nullptr) {
            avahi_threaded_poll_free(poll);
        }
    }
    Avahi(const Avahi&) = delete;
    Avahi& operator=(const Avahi&) = delete;

    bool browse(AvahiClient* owner);
    void keep(AvahiIfIndex interface, AvahiProtocol protocol, const char* name, const char* type,
              const char* domain);
    void resolve();
    // Frees the resolver of the kept service and tries again later.
    void retryLater();
    void stopResolving();
    void forget();
    void reportFound(const std::string& ip, int port, const std::string& name);
    void reportLost();
    std::string failure(AvahiClient* owner) const { return avahi_strerror(avahi_client_errno(owner)); }

    static void clientChanged(AvahiClient* owner, AvahiClientState state, void* self);
    static void browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                        AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
                        AvahiLookupResultFlags, void* self);
    static void resolved(AvahiServiceResolver* r, AvahiIfIndex, AvahiProtocol, AvahiResolverEvent event,
                         const char* name, const char*, const char*, const char*, const AvahiAddress* address,
                         uint16_t port, AvahiStringList*, AvahiLookupResultFlags, void* self);
    static void resolveTimedOut(AvahiTimeout*, void* self);
    static void retryDue(AvahiTimeout*, void* self);

    ServiceBrowserDelegate* delegate;
    std::string type;
    std::weak_ptr<std::atomic<bool>> live;
    AvahiThreadedPoll* poll = nullptr;
    bool started = false;
    AvahiClient* client = nullptr;
    AvahiServiceBrowser* browser = nullptr;
    AvahiServiceResolver* resolver = nullptr;
    AvahiTimeout* resolveTimer = nullptr;
    AvahiTimeout* retryTimer = nullptr;
    unsigned retryMs = kFirstRetryMs;
    std::optional<ServiceIdentity> kept;
    bool reported = false; // found() was posted for the kept service
};

bool ServiceBrowser::Avahi::browse(AvahiClient* owner)
{
    if (browser != nullptr) {
        return true;
    }
    // IPv4 only: the companion is reached at a dotted IPv4 address. A null
    // domain is the default one.
    browser = avahi_service_browser_new(owner, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, type.c_str(), nullptr,
                                        AvahiLookupFlags(0), browsed, this);
    if (browser == nullptr) {
        devLog("ServiceBrowser: cannot browse for " + type + ": " + failure(owner));
        return false;
    }
    return true;
}

void ServiceBrowser::Avahi::keep(AvahiIfIndex interface, AvahiProtocol protocol, const char* name,
                                 const char* serviceType, const char* domain)
{
    kept = ServiceIdentity{interface, protocol, name, serviceType, domain};
    reported = false;
    retryMs = kFirstRetryMs;
    resolve();
}

void ServiceBrowser::Avahi::resolve()
{
    const ServiceIdentity& service = *kept;
    resolver = avahi_service_resolver_new(client, service.interface, service.protocol, service.name.c_str(),
                                          service.type.c_str(), service.domain.c_str(), AVAHI_PROTO_INET,
                                          AvahiLookupFlags(0), resolved, this);
    if (resolver == nullptr) {
        devLog("ServiceBrowser: cannot resolve " + service.name + ": " + failure(client));
        retryLater();
        return;
    }
    timeval deadline{};
    avahi_elapse_time(&deadline, kResolveTimeoutMs, 0);
    const AvahiPoll* api = avahi_threaded_poll_get(poll);
    resolveTimer = api->timeout_new(api, &deadline, resolveTimedOut, this);
}

void ServiceBrowser::Avahi::retryLater()
{
    stopResolving();
    devLog("ServiceBrowser: " + kept->name + " is resolved again in " + std::to_string(retryMs) + " ms");
    timeval due{};
    avahi_elapse_time(&due, retryMs, 0);
    const AvahiPoll* api = avahi_threaded_poll_get(poll);
    retryTimer = api->timeout_new(api, &due, retryDue, this);
    retryMs = std::min(retryMs * 2, kLongestRetryMs);
}

void ServiceBrowser::Avahi::stopResolving()
{
    const AvahiPoll* api = avahi_threaded_poll_get(poll);
    if (resolveTimer != nullptr) {
        api->timeout_free(resolveTimer);
        resolveTimer = nullptr;
    }
    if (retryTimer != nullptr) {
        api->timeout_free(retryTimer);
        retryTimer = nullptr;
    }
    if (resolver != nullptr) {
        avahi_service_resolver_free(resolver);
        resolver = nullptr;
    }
}

void ServiceBrowser::Avahi::forget()
{
    stopResolving();
    kept.reset();
    reported = false;
}

void ServiceBrowser::Avahi::reportFound(const std::string& ip, int port, const std::string& name)
{
    reported = true;
    MainThread::post([live = live, d = delegate, ip, port, name] {
        const auto running = live.lock();
        if (running && *running && d != nullptr) {
            d->found(ip, port, name);
        }
    });
}

void ServiceBrowser::Avahi::reportLost()
{
    MainThread::post([live = live, d = delegate] {
        const auto running = live.lock();
        if (running && *running && d != nullptr) {
            d->lost();
        }
    });
}

void ServiceBrowser::Avahi::clientChanged(AvahiClient* owner, AvahiClientState state, void* self)
{
    auto* avahi = static_cast<Avahi*>(self);
    if (state == AVAHI_CLIENT_S_RUNNING) {
        // Called from avahi_client_new() too, before client is set: use owner.
        avahi->browse(owner);
    } else if (state == AVAHI_CLIENT_FAILURE) {
        devLog("ServiceBrowser: lost the Avahi daemon: " + avahi->failure(owner));
        const bool wasReported = avahi->reported;
        avahi->forget();
        if (wasReported) {
            avahi->reportLost();
        }
    }
}

void ServiceBrowser::Avahi::browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
                                    AvahiBrowserEvent event, const char* name, const char* serviceType,
                                    const char* domain, AvahiLookupResultFlags, void* self)
{
    auto* avahi = static_cast<Avahi*>(self);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (!avahi->kept) {
            avahi->keep(interface, protocol, name, serviceType, domain);
        }
        break;
    case AVAHI_BROWSER_REMOVE:
        if (avahi->kept && avahi->kept->is(interface, protocol, name, serviceType, domain)) {
            const bool wasReported = avahi->reported;
            avahi->forget();
            if (wasReported) {
                avahi->reportLost();
            }
        }
        break;
    case AVAHI_BROWSER_FAILURE:
        devLog("ServiceBrowser: browsing failed: " + avahi->failure(avahi->client));
        if (avahi->reported) {
            avahi->reportLost();
        }
        avahi->forget();
        break;
    default:
        break;
    }
}

void ServiceBrowser::Avahi::resolved(AvahiServiceResolver* r, AvahiIfIndex, AvahiProtocol,
                                     AvahiResolverEvent event, const char* name, const char*, const char*,
                                     const char*, const AvahiAddress* address, uint16_t port,
                                     AvahiStringList*, AvahiLookupResultFlags, void* self)
{
    auto* avahi = static_cast<Avahi*>(self);
    if (r != avahi->resolver) {
        return;
    }
    if (event != AVAHI_RESOLVER_FOUND || address == nullptr || address->proto != AVAHI_PROTO_INET) {
        devLog(std::string("ServiceBrowser: ") + name + " did not resolve: " + avahi->failure(avahi->client));
        avahi->retryLater();
        return;
    }
    char ip[AVAHI_ADDRESS_STR_MAX] = {};
    avahi_address_snprint(ip, sizeof ip, address);
    // The resolver has done its work; the service stays kept until removed.
    avahi->stopResolving();
    avahi->reportFound(ip, port, name);
}

void ServiceBrowser::Avahi::resolveTimedOut(AvahiTimeout*, void* self)
{
    auto* avahi = static_cast<Avahi*>(self);
    // The timer that fired is freed with the resolver.
    if (!avahi->kept) {
        avahi->stopResolving();
        return;
    }
    devLog("ServiceBrowser: " + avahi->kept->name + " did not resolve within one second");
    avahi->retryLater();
}

void ServiceBrowser::Avahi::retryDue(AvahiTimeout* timer, void* self)
{
    auto* avahi = static_cast<Avahi*>(self);
    avahi_threaded_poll_get(avahi->poll)->timeout_free(timer);
    avahi->retryTimer = nullptr;
    if (avahi->kept) {
        avahi->resolve();
    }
}

ServiceBrowser::ServiceBrowser(ServiceBrowserDelegate* delegate, std::string type)
    : m_delegate(delegate), m_type(std::move(type))
{
}

ServiceBrowser::~ServiceBrowser()
{
    stop();
}

bool ServiceBrowser::start()
{
    if (m_avahi) {
        return true;
    }
    m_live = std::make_shared<std::atomic<bool>>(true);
    auto avahi = std::make_unique<Avahi>(m_delegate, m_type, m_live);
    avahi->poll = avahi_threaded_poll_new();
    if (avahi->poll == nullptr) {
        devLog("ServiceBrowser: cannot make Avahi's event loop; the companion cannot be found");
        return false;
    }
    int error = 0;
    avahi->client = avahi_client_new(avahi_threaded_poll_get(avahi->poll), AvahiClientFlags(0),
                                     Avahi::clientChanged, avahi.get(), &error);
    if (avahi->client == nullptr) {
        devLog(std::string("ServiceBrowser: the Avahi daemon cannot be reached (") + avahi_strerror(error) +
               "); the companion cannot be found");
        return false;
    }
    if (avahi_client_get_state(avahi->client) == AVAHI_CLIENT_S_RUNNING && !avahi->browse(avahi->client)) {
        return false;
    }
    if (avahi_threaded_poll_start(avahi->poll) < 0) {
        devLog("ServiceBrowser: cannot start Avahi's event loop; the companion cannot be found");
        return false;
    }
    avahi->started = true;
    m_avahi = std::move(avahi);
    return true;
}

void ServiceBrowser::stop()
{
    if (m_live) {
        *m_live = false;
        m_live.reset();
    }
    // Stops Avahi's thread first, then frees what it used.
    m_avahi.reset();
}

} // namespace dossiva
