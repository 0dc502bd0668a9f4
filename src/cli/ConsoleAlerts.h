#pragma once

#include "platform/Alerts.h"

#include <deque>
#include <string>

namespace dossiva::cli {

// Alerts for the terminal. Messages are printed (successes to stdout, or to
// stderr when stdout carries the command's data; warnings and errors to
// stderr), progress goes to stderr, and questions are answered from answers
// queued from the command's flags. A question with no queued answer is put
// to the person at the terminal; without one it is refused: printed,
// answered with its last button (Cancel), and remembered, so the command can
// say which flag was missing.
class ConsoleAlerts final : public Alerts {
public:
    enum class Successes { ToStdout, ToStderr };
    explicit ConsoleAlerts(Successes successes = Successes::ToStdout) : m_successes(successes) {}

    void queueAnswer(std::string button, std::string text = {})
    {
        m_answers.push_back({std::move(button), std::move(text)});
    }

    AlertAnswer ask(const AlertRequest& request) override;
    void beginProgress(const std::string& title, const std::string& message) override;
    void endProgress() override;

    // Whether a warning or error was shown, or a question went unanswered.
    bool reportedFailure() const { return m_failure; }
    bool refusedQuestion() const { return m_refused; }

private:
    AlertAnswer askAtTerminal(const AlertRequest& request);

    Successes m_successes;
    std::deque<AlertAnswer> m_answers;
    bool m_failure = false;
    bool m_refused = false;
};

} // namespace dossiva::cli
