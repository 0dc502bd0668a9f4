#include "sync/FtpCancellation.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace dossiva {

FtpCancellation::FtpCancellation() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

FtpCancellation::~FtpCancellation()
{
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void FtpCancellation::cancel()
{
    // The flag first: a waiter woken by the descriptor must see it set.
    m_cancelled = true;
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }
}

} // namespace dossiva
