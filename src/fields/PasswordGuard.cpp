#include "fields/PasswordGuard.h"

namespace dossiva::PasswordGuard {

bool askOption(const PropertyList& structure)
{
    const PropertyList* ask = structure.find("Ask");
    return ask != nullptr && ask->toBool();
}

bool isGuarded(bool askOption, bool protectionOn)
{
    return askOption && protectionOn;
}

} // namespace dossiva::PasswordGuard
