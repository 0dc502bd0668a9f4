#pragma once

// The addresses the Help menu opens, kept in one place.
namespace dossiva::AppLinks {
inline constexpr const char* kSupport = "https://www.quorva.com/dossiva/support";
inline constexpr const char* kWebSite = "https://www.quorva.com";
inline constexpr const char* kCompanionPage = "https://www.quorva.com/dossiva/iphone";
} // namespace dossiva::AppLinks
