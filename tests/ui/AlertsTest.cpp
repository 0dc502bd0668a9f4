// The alerts as people read them: the message is the box's text and the
// heading its title, the box is wide enough to read, the icon warns where an
// answer can lose work, and Enter presses the safe button.
#include "support/CaseNames.h"
#include "ui/app/QtAlerts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <gtest/gtest.h>

#include <functional>

using namespace dossiva;

namespace {

using test::PrintTo;

// Runs `look` on the alert once it is up, then presses a key on it.
void whenShown(const std::function<void(QDialog&)>& look, Qt::Key key)
{
    QTimer::singleShot(10, [look, key] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            whenShown(look, key);
            return;
        }
        look(*dialog);
        QTest::keyClick(dialog, key);
    });
}

struct AlertCase {
    const char* name;
    AlertRequest request;
    QMessageBox::Icon icon;
    std::string enterAnswers;
};

AlertRequest deleteQuestion()
{
    AlertRequest request{"Delete Database",
                         "Are you sure you want to delete the database \"A rather long database name\"?",
                         {"Delete", "Cancel"},
                         false,
                         {},
                         "It is moved to the Trash."};
    request.style = AlertStyle::Warning;
    request.defaultButton = "Cancel";
    return request;
}

class AlertsTest : public ::testing::TestWithParam<AlertCase> {
protected:
    QtAlerts alerts;
};

TEST_P(AlertsTest, ShowTheMessageReadablyAndEnterPressesTheDefault)
{
    const AlertRequest& request = GetParam().request;
    QString title;
    QString text;
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int width = 0;
    whenShown(
        [&](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            title = box.windowTitle();
            text = box.text();
            informative = box.informativeText();
            icon = box.icon();
            width = box.width();
        },
        Qt::Key_Return);
    const AlertAnswer answer = alerts.ask(request);
    EXPECT_EQ(answer.button, GetParam().enterAnswers);
    EXPECT_EQ(title.toStdString(), request.title);
    EXPECT_EQ(text.toStdString(), request.message);
    EXPECT_EQ(icon, GetParam().icon);
    EXPECT_GE(width, 400) << "a one-line message still makes a readable box";
    if (!request.detail.empty()) {
        EXPECT_TRUE(informative.contains(QString::fromStdString(request.detail).toHtmlEscaped()))
            << informative.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AlertsTest,
    ::testing::Values(
        AlertCase{"OneWordHeading", {"Warning", "Database Films already exists"}, QMessageBox::Warning, "OK"},
        AlertCase{"Success", {"Success", "Database exported successfully"}, QMessageBox::Information, "OK"},
        AlertCase{"ErrorWithItsReason",
                  {"Error", "Error duplicanting db", {"OK"}, false, {}, "No space left on device"},
                  QMessageBox::Warning,
                  "OK"},
        AlertCase{"NameThatLooksLikeMarkup",
                  {"Success", "Database <b>Films</b> imported successfully"},
                  QMessageBox::Information,
                  "OK"},
        AlertCase{"DeletingDefaultsToCancel", deleteQuestion(), QMessageBox::Warning, "Cancel"}),
    test::NameOfCase());

TEST(AlertsWithTextField, AskForAWordUnderTheMessage)
{
    QtAlerts alerts;
    QString title;
    QStringList labels;
    whenShown(
        [&](QDialog& dialog) {
            title = dialog.windowTitle();
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                labels << label->text();
            }
            EXPECT_GE(dialog.width(), 400);
            dialog.findChild<QLineEdit*>()->setText(QStringLiteral("Allotment"));
        },
        Qt::Key_Return);
    const AlertAnswer answer =
        alerts.ask({"Warning", "A Template \"Garden\" already exists.", {"OK", "Cancel"}, true, {}});
    EXPECT_TRUE(answer.is("OK"));
    EXPECT_EQ(answer.text, "Allotment");
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(labels, QStringList{"A Template \"Garden\" already exists."});
}

} // namespace
