#include "support/LogCapture.h"

#include <algorithm>

namespace dossiva::test {

LogCapture::LogCapture()
    : m_previous(setDevLogSink([this](const std::string& message) { m_messages.push_back(message); }))
{
}

LogCapture::~LogCapture()
{
    setDevLogSink(m_previous);
}

bool LogCapture::mentions(const std::string& text) const
{
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [&](const std::string& message) { return message.find(text) != std::string::npos; });
}

} // namespace dossiva::test
