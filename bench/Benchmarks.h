#pragma once

namespace dossiva::bench {

void benchLoadDbData();

} // namespace dossiva::bench
