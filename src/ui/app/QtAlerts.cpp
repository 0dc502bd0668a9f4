#include "ui/app/QtAlerts.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace dossiva {

namespace {

// Wide enough that a sentence and a database's name read on one or two
// lines, never broken inside a word.
constexpr int kReadableWidth = 420;

QString qt(const std::string& text)
{
    return QString::fromStdString(text);
}

// Text shown as it is, whatever it holds (a name with "<b>" in it stays
// text), keeping its line breaks.
QString plainParagraph(const std::string& text)
{
    return QStringLiteral("<p>%1</p>").arg(qt(text).toHtmlEscaped().replace('\n', QStringLiteral("<br>")));
}

// A message box sizes itself to its text, so a one-line message makes a
// narrow box; a spacer across its grid keeps it readable.
void keepReadableWidth(QMessageBox& box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(kReadableWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
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
    // The heading ("Warning", "Success") names the box; the message is what
    // is read, so it is the main text.
    box.setWindowTitle(qt(request.title.empty() ? "Dossiva" : request.title));
    box.setTextFormat(Qt::PlainText);
    box.setText(qt(request.message.empty() ? request.title : request.message));
    if (!request.detail.empty()) {
        box.setInformativeText(plainParagraph(request.detail));
    }
    box.setIcon(request.effectiveStyle() == AlertStyle::Warning ? QMessageBox::Warning
                                                                : QMessageBox::Information);
    std::vector<QAbstractButton*> buttons;
    for (std::size_t i = 0; i < request.buttons.size(); ++i) {
        const auto role =
            i == 0 ? QMessageBox::AcceptRole
                   : (request.buttons[i] == "Cancel" ? QMessageBox::RejectRole : QMessageBox::ActionRole);
        buttons.push_back(box.addButton(qt(request.buttons[i]), role));
        buttons.back()->setAccessibleName(qt(request.buttons[i]));
        if (request.buttons[i] == request.defaultAnswer()) {
            box.setDefaultButton(static_cast<QPushButton*>(buttons.back()));
        }
    }
    keepReadableWidth(box);
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
    dialog.setMinimumWidth(kReadableWidth);
    auto* layout = new QVBoxLayout(&dialog);
    auto* message = new QLabel(qt(request.message.empty() ? request.title : request.message), &dialog);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    layout->addWidget(message);
    if (!request.detail.empty()) {
        auto* detail = new QLabel(qt(request.detail), &dialog);
        detail->setTextFormat(Qt::PlainText);
        detail->setWordWrap(true);
        layout->addWidget(detail);
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
        button->setDefault(request.buttons[i] == request.defaultAnswer());
    }
    std::size_t pressed = buttons.empty() ? 0 : buttons.size() - 1;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QObject::connect(buttons[i], &QPushButton::clicked, &dialog, [&dialog, &pressed, i] {
            pressed = i;
            dialog.done(static_cast<int>(i));
        });
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
    sheet->setMinimumWidth(kReadableWidth);
    auto* layout = new QVBoxLayout(sheet);
    auto* label = new QLabel(qt(message), sheet);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* bar = new QProgressBar(sheet);
    bar->setRange(0, 0);
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
