#include "sync/FtpLog.h"

#include "platform/Log.h"

#include <cstdlib>
#include <cstring>

namespace dossiva {

bool ftpTraceEnabled()
{
#ifdef NDEBUG
    static const bool enabled = std::getenv("DOSSIVA_FTP_TRACE") != nullptr;
    return enabled;
#else
    return true;
#endif
}

std::string ftpErrorText(int error)
{
    return std::strerror(error);
}

void logFtpSystemFailure(const char* label, int error)
{
    devLog(std::string(label) + ": " + ftpErrorText(error));
}

} // namespace dossiva
