// Files handed to the running application wait while an operation is under
// way: its progress sheet, a question, or the pause after its success. A
// later start reaches the running one with its files, or without any.
#include "ui/app/HandOverQueue.h"
#include "ui/app/QtAlerts.h"
#include "ui/app/SingleInstance.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace dossiva;

namespace {

class HandOverTest : public ::testing::Test {
protected:
    QtAlerts alerts;
    QStringList opened;
    HandOverQueue queue{alerts, [this](const QString& path) { opened << path; }};

    // Presses a button of the message box that is up, once one is.
    void pressWhenShown(const QString& button, const std::function<void()>& meanwhile = {})
    {
        QTimer::singleShot(10, [this, button, meanwhile] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                pressWhenShown(button, meanwhile);
                return;
            }
            if (meanwhile) {
                meanwhile();
            }
            for (auto* candidate : box->buttons()) {
                if (candidate->text() == button) {
                    QTest::mouseClick(candidate, Qt::LeftButton);
                }
            }
        });
    }
};

TEST_F(HandOverTest, AFileWaitsForTheOperationUnderWayAndThenOpens)
{
    queue.handOver("idle.dossiva");
    EXPECT_EQ(opened, QStringList{"idle.dossiva"});

    alerts.beginProgress("Importing", "Importing Books database...");
    queue.handOver("during.dossiva");
    EXPECT_EQ(queue.waiting(), 1u);
    alerts.endProgress();
    QTRY_COMPARE(opened, (QStringList{"idle.dossiva", "during.dossiva"}));
}

TEST_F(HandOverTest, TheSuccessPauseIsATimerAndFilesWaitForItsMessage)
{
    alerts.setPauseAfterSuccess(std::chrono::milliseconds(20));
    alerts.beginProgress("Importing", "Importing Books database...");
    // Returns at once: the sheet stays up without the caller waiting.
    alerts.finishProgress("Success", "Database Books imported successfully");
    EXPECT_TRUE(alerts.isBusy());
    queue.handOver("second.dossiva");
    // The message shows after the pause; the file waits for it to be read.
    pressWhenShown("OK", [this] { EXPECT_TRUE(opened.isEmpty()); });
    QTRY_COMPARE(opened, QStringList{"second.dossiva"});
    EXPECT_FALSE(alerts.isBusy());
}

TEST_F(HandOverTest, AFileHandedOverDuringAQuestionWaitsForTheAnswer)
{
    pressWhenShown("Cancel", [this] {
        queue.handOver("asked.dossiva");
        EXPECT_EQ(queue.waiting(), 1u);
    });
    const AlertAnswer answer = alerts.ask({"Import", "Do you want to import?", {"Import", "Cancel"}});
    EXPECT_TRUE(answer.is("Cancel"));
    EXPECT_TRUE(opened.isEmpty());
    QTRY_COMPARE(opened, QStringList{"asked.dossiva"});
}

TEST(SingleInstanceTest, EveryLaterStartArrivesWithItsFilesOrNone)
{
    const QString name = QStringLiteral("org.quorva.Dossiva-test-%1").arg(::getpid());
    SingleInstance running(name);
    std::vector<QStringList> arrivals;
    running.listen([&arrivals](const QStringList& files) { arrivals.push_back(files); });
    for (const QStringList& files :
         {QStringList{}, QStringList{"/home/a/Books.dossiva", "/home/a/list.csv"}}) {
        EXPECT_TRUE(SingleInstance(name).handOver(files));
        QTRY_COMPARE(arrivals.size(), std::size_t{1});
        EXPECT_EQ(arrivals.front(), files);
        arrivals.clear();
    }
    EXPECT_FALSE(SingleInstance(name + QStringLiteral("-none")).handOver({})) << "nobody to hand over to";
}

} // namespace
