#include "ui/app/QtAlerts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace dossiva {

namespace {

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

QtAlerts::QtAlerts(QWidget* window) : m_window(window)
{
}

QtAlerts::~QtAlerts()
{
    endProgress();
}

AlertAnswer QtAlerts::ask(const AlertRequest& request)
{
    if (request.hasTextField) {
        return askWithTextField(request);
    }
    QMessageBox box(m_window);
    box.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    box.setWindowTitle(qt(request.title.empty() ? "Dossiva" : request.title));
    box.setText(qt(request.title.empty() ? request.message : request.title));
    std::string informative = !request.title.empty() ? request.message : std::string();
    if (!request.detail.empty()) {
        informative += (informative.empty() ? "" : "\n\n") + request.detail;
    }
    if (!informative.empty()) {
        box.setInformativeText(qt(informative));
    }
    box.setIcon(request.title == "Warning" || request.title == "Error" ? QMessageBox::Warning
                                                                       : QMessageBox::Information);
    std::vector<QAbstractButton*> buttons;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        const auto role =
            i == 0 ? QMessageBox::AcceptRole
                   : (request.buttons[i] == "Cancel" ? QMessageBox::RejectRole : QMessageBox::ActionRole);
        buttons.push_back(box.addButton(qt(request.buttons[i]), role));
        buttons.back()->setAccessibleName(qt(request.buttons[i]));
    }
    if (!buttons.empty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
    }
    runModal(box);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return {request.buttons[i], {}};
        }
    }
    // Closed without a button (Escape): the last button, usually Cancel.
    return {request.buttons.empty() ? std::string() : request.buttons.back(), {}};
}

AlertAnswer QtAlerts::askWithTextField(const AlertRequest& request)
{
    QDialog dialog(m_window);
    dialog.setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    dialog.setWindowTitle(qt(request.title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* title = new QLabel(qt(request.title), &dialog);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setWordWrap(true);
    layout->addWidget(title);
    if (!request.message.empty()) {
        auto* message = new QLabel(qt(request.message), &dialog);
        message->setWordWrap(true);
        layout->addWidget(message);
    }
    auto* field = new QLineEdit(qt(request.text), &dialog);
    field->setAccessibleName(QStringLiteral("Name"));
    layout->addWidget(field);
    auto* box = new QDialogButtonBox(&dialog);
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        auto* button = box->addButton(qt(request.buttons[i]),
                                      i == 0 ? QDialogButtonBox::AcceptRole : QDialogButtonBox::RejectRole);
        buttons.push_back(button);
    }
    std::size_t pressed = buttons.empty() ? 0 : buttons.size() - 1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QObject::connect(buttons[i], &QPushButton::clicked, &dialog, [&dialog, &pressed, i] {
            pressed = i;
            dialog.done(static_cast<int>(i));
        });
    }
    if (!buttons.empty()) {
        buttons.front()->setDefault(true);
    }
    layout->addWidget(box);
    runModal(dialog);
    return {request.buttons.empty() ? std::string() : request.buttons[pressed], field->text().toStdString()};
}

void QtAlerts::beginProgress(const std::string& title, const std::string& message)
{
    endProgress();
    auto* sheet = new QDialog(m_window);
    sheet->setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    sheet->setWindowTitle(qt(title));
    auto* layout = new QVBoxLayout(sheet);
    auto* label = new QLabel(qt(title), sheet);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    layout->addWidget(label);
    layout->addWidget(new QLabel(qt(message), sheet));
    auto* bar = new QProgressBar(sheet);
    bar->setRange(0, 0);
    bar->setMinimumWidth(320);
    bar->setAccessibleName(QStringLiteral("Progress"));
    layout->addWidget(bar);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->show();
    // The work that follows runs on this thread: paint the sheet now rather
    // than run the event loop, which could start other work inside this.
    sheet->repaint();
    m_progress = sheet;
}

void QtAlerts::endProgress()
{
    if (m_progress) {
        m_progress->close();
        m_progress = nullptr;
        notifyIfIdle();
    }
}

void QtAlerts::finishProgress(const std::string& title, const std::string& message)
{
    // The pause is a timer, not a wait: the operation has ended and returns;
    // the sheet closes and the message shows when the timer fires.
    m_finishing = true;
    QTimer::singleShot(m_pause, &m_timers, [this, title, message] {
        endProgress();
        inform(title, message);
        m_finishing = false;
        notifyIfIdle();
    });
}

bool QtAlerts::isBusy() const
{
    return m_modalDepth > 0 || !m_progress.isNull() || m_finishing;
}

int QtAlerts::runModal(QDialog& dialog)
{
    ++m_modalDepth;
    const int result = dialog.exec();
    --m_modalDepth;
    notifyIfIdle();
    return result;
}

void QtAlerts::notifyIfIdle()
{
    if (!isBusy() && m_idleHandler) {
        // From the event loop, once whoever ended the busy spell has returned.
        QTimer::singleShot(0, &m_timers, [this] {
            if (!isBusy() && m_idleHandler) {
                m_idleHandler();
            }
        });
    }
}

} // namespace dossiva
