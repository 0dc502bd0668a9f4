#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dossiva {

// How an alert looks: a warning for a question whose answer can lose work
// and for a failure.
enum class AlertStyle { Information, Warning };

// A question or message for the user: a title, a message, one or more
// buttons and, for questions that need a word from the user, a one-line
// text field. The detail says more below the message: why something failed
// (the system's reason), or what an answer will do.
struct AlertRequest {
    std::string title;
    std::string message;
    std::vector<std::string> buttons{"OK"};
    bool hasTextField = false;
    std::string text; // the text field's initial content
    std::string detail;
    AlertStyle style = AlertStyle::Information;
    // The button Enter presses; the first when empty. A question that can
    // lose work makes Cancel the default.
    std::string defaultButton;

    const std::string& defaultAnswer() const;
    // The style asked for, or a warning for a "Warning" or "Error" title.
    AlertStyle effectiveStyle() const;
};

// The answer names the button pressed, so a question's code reads by its
// buttons ("Delete", "Cancel") and does not change meaning when their order
// does.
struct AlertAnswer {
    std::string button; // the title of the button pressed
    std::string text;   // the text field's content when there is one

    bool is(const std::string& title) const { return button == title; }
};

// How core logic reaches the user. The desktop shows sheets and alerts; the
// command line answers from its flags; tests script the answers and read
// what was asked.
class Alerts {
public:
    virtual ~Alerts() = default;

    // Shows the request and waits for the user's answer.
    virtual AlertAnswer ask(const AlertRequest& request) = 0;
    // A message with only an OK button, and why, when there is a reason.
    void inform(const std::string& title, const std::string& message, const std::string& detail = {})
    {
        ask({title, message, {"OK"}, false, {}, detail});
    }

    // A progress sheet with an indeterminate bar and no button, shown until
    // endProgress().
    virtual void beginProgress(const std::string& title, const std::string& message) = 0;
    virtual void endProgress() = 0;
    // Ends a successful operation: the progress sheet stays up a moment, so
    // a quick copy is still seen, then closes, and the message follows. The
    // desktop does this with a timer and returns at once; the caller never
    // waits.
    virtual void finishProgress(const std::string& title, const std::string& message)
    {
        endProgress();
        inform(title, message);
    }
};

// Alerts answered from a queue, recording everything asked. Without a queued
// answer the default button is pressed with an empty text, as Enter would.
class ScriptedAlerts final : public Alerts {
public:
    struct Progress {
        std::string title;
        std::string message;
    };

    // The next question is answered with the button of that title.
    void queueAnswer(std::string button, std::string text = {})
    {
        m_answers.push_back({std::move(button), std::move(text)});
    }

    AlertAnswer ask(const AlertRequest& request) override;
    void beginProgress(const std::string& title, const std::string& message) override;
    void endProgress() override;
    void finishProgress(const std::string& title, const std::string& message) override;

    const std::vector<AlertRequest>& asked() const { return m_asked; }
    // How many operations ended with the moment's pause of a success.
    int pausedFinishes() const { return m_pausedFinishes; }
    const std::vector<Progress>& progress() const { return m_progress; }
    bool progressShown() const { return m_progressOpen; }
    // The last request's title and message, "" when none.
    std::string lastMessage() const;

private:
    std::deque<AlertAnswer> m_answers;
    std::vector<AlertRequest> m_asked;
    std::vector<Progress> m_progress;
    bool m_progressOpen = false;
    int m_pausedFinishes = 0;
};

} // namespace dossiva
