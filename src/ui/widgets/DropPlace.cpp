#include "ui/widgets/DropPlace.h"

namespace dossiva {

int dropPlace(const std::vector<std::pair<int, int>>& rows, int y)
{
    int place = 0;
    for (const auto& [top, height] : rows) {
        if (y < top) {
            return place;
        }
        if (y <= top + height) {
            return y < top + height / 2 ? place : place + 1;
        }
        ++place;
    }
    return place;
}

} // namespace dossiva
