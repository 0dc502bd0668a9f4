#include "platform/Failure.h"

#include <cstring>

namespace dossiva {

Failure Failure::file(int error, const std::string& context)
{
    return {Source::File, error, context + std::strerror(error)};
}

} // namespace dossiva
