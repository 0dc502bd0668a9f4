// The record field views driven with real keys and clicks: what each edit
// hands its delegate, what loading a record does not, and each type's rules.
#include "support/TestHome.h"
#include "ui/WidgetClicks.h"

#include "crypto/ProtectionPassword.h"
#include "fields/DateDisplay.h"
#include "fields/FieldModel.h"
#include "fields/NumberRule.h"
#include "platform/Alerts.h"
#include "platform/Clock.h"
#include "platform/FileManager.h"
#include "platform/FilePanels.h"
#include "ui/fieldviews/CheckboxFieldViewController.h"
#include "ui/fieldviews/ChooseFieldViewController.h"
#include "ui/fieldviews/CreatedModifiedDateFieldViewController.h"
#include "ui/fieldviews/DateKindFieldViewController.h"
#include "ui/fieldviews/FieldViewDelegate.h"
#include "ui/fieldviews/LargeTextFieldViewController.h"
#include "ui/fieldviews/PasswdFieldViewController.h"
#include "ui/fieldviews/PictureFieldViewController.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace dossiva;
using namespace dossiva::test;

namespace {

using Calls = std::vector<std::string>;

std::string describe(const FieldSnapshot& snapshot)
{
    if (const auto* text = std::get_if<std::string>(&snapshot)) {
        return *text;
    }
    if (const auto* number = std::get_if<std::int64_t>(&snapshot)) {
        return std::to_string(*number);
    }
    if (const auto* image = std::get_if<ImagePtr>(&snapshot); image && *image) {
        return std::to_string((*image)->width()) + "x" + std::to_string((*image)->height());
    }
    return "none";
}

// Plays the section: stores every edited view's text and tells the view, and
// writes down every call in order.
class RecordingDelegate final : public FieldViewDelegate, public LargeTextFieldDelegate {
public:
    Calls calls;
    std::vector<QPointer<FieldViewController>> views;
    bool saveSucceeds = true;
    bool passwordGiven = true;
    std::function<void()> onNumberChanged;

    void addToUndoArray(FieldViewController& view) override
    {
        calls.push_back("undo " + describe(view.object()));
    }
    bool save() override
    {
        for (FieldViewController* view : views) {
            if (view != nullptr && view->edited()) {
                calls.push_back("save " + view->text());
                if (saveSucceeds) {
                    view->save();
                }
            }
        }
        return saveSucceeds;
    }
    void numberFieldChanged(FieldId field) override
    {
        calls.push_back("number " + std::to_string(field));
        if (onNumberChanged) {
            onNumberChanged();
        }
    }
    void largeTextFieldDidGrow(FieldViewController& view) override
    {
        calls.push_back(
            "grew " + std::to_string(static_cast<LargeTextFieldViewController&>(view).overallFieldHeight()));
    }
    void largeTextFieldDidGrow(FieldViewController&, int delta) override
    {
        calls.push_back("step " + std::to_string(delta));
    }
    void passwdShowButtonChanged(FieldViewController&, bool shown) override
    {
        calls.push_back(shown ? "shown" : "hidden");
    }
    bool askPassword() override
    {
        calls.push_back("ask");
        return passwordGiven;
    }
};

template <class Widget> Widget* part(const FieldViewController& view, const char* name)
{
    auto* widget = view.view()->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

class FieldViewsTest : public ::testing::Test {
protected:
    TestHome home;
    ScriptedAlerts alerts;
    ScriptedFilePanels panels;
    Calls opened;
    RecordingDelegate delegate;
    QWidget form;
    QVBoxLayout* column = new QVBoxLayout(&form);
    QLineEdit* elsewhere = new QLineEdit(&form); // somewhere for the focus to go

    template <class View = FieldViewController> std::unique_ptr<View> make(int type)
    {
        FieldViewContext context{&alerts, &panels, [this](const std::string& url) { opened.push_back(url); }};
        std::unique_ptr<FieldViewController> view = makeFieldView(type, context, &form);
        view->setID("7");
        view->setDelegate(&delegate);
        delegate.views.push_back(view.get());
        column->addWidget(view->view());
        auto* typed = dynamic_cast<View*>(view.get());
        EXPECT_NE(typed, nullptr) << "type " << type;
        view.release();
        return std::unique_ptr<View>(typed);
    }

    void show()
    {
        column->addWidget(elsewhere);
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    // Replaces the field's text by typing, as a person selects it all first.
    static void retype(QWidget* field, const std::string& text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QString::fromStdString(text));
    }
};

TEST_F(FieldViewsTest, LoadingValuesInCodeIsNoEditAndEveryTypeHasItsView)
{
    const std::vector<std::pair<int, int>> types = {
        {0, 0},   {1, 1},   {2, 2},   {3, 3},   {4, 4},   {5, 5},   {6, 6},   {7, 7},   {8, 8},  {9, 9},
        {11, 11}, {12, 12}, {14, 14}, {15, 15}, {16, 16}, {17, 17}, {30, 30}, {10, 30}, {99, 30}};
    const auto picture = std::make_shared<const Image>(4, 4, std::vector<std::uint8_t>(64, 90));
    show();
    for (const auto& [code, made] : types) {
        SCOPED_TRACE(code);
        auto view = make(code);
        EXPECT_EQ(view->type(), made);
        view->setTitle(QStringLiteral("Name"));
        view->setText("12");
        if (auto* date = dynamic_cast<DateKindFieldViewController*>(view.get())) {
            date->setDate(std::int64_t{86400});
        } else if (auto* well = dynamic_cast<PictureFieldViewController*>(view.get())) {
            well->setImage(picture);
        } else if (auto* choose = dynamic_cast<ChooseFieldViewController*>(view.get())) {
            choose->setPopUpContent({"A", "B"});
            choose->setSelectedRow(1);
        } else if (auto* box = dynamic_cast<CheckboxFieldViewController*>(view.get())) {
            box->setState("1");
        } else if (auto* password = dynamic_cast<PasswdFieldViewController*>(view.get())) {
            password->showPasswd(true);
        } else if (auto* large = dynamic_cast<LargeTextFieldViewController*>(view.get())) {
            large->setOverallFieldHeight(300);
        }
        EXPECT_FALSE(view->edited());
        EXPECT_GT(view->view()->height(), 0);
    }
    EXPECT_EQ(delegate.calls, Calls{});
}

TEST_F(FieldViewsTest, TypingIsOneUndoEntryAndLeavingTheFieldStoresIt)
{
    for (const int type : {FieldType::Main, FieldType::SmallText, FieldType::LargeText, FieldType::Email,
                           FieldType::Link, FieldType::Password}) {
        SCOPED_TRACE(type);
        delegate.calls.clear();
        auto view = make(type);
        show();
        view->setText("old");
        QWidget* field = view->textView();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, QStringLiteral("abc"));
        EXPECT_EQ(delegate.calls, Calls{"undo old"});
        // A command committing the field gets the text typed so far.
        EXPECT_TRUE(view->edited());
        EXPECT_EQ(view->text(), "oldabc");

        elsewhere->setFocus();
        EXPECT_EQ(delegate.calls, (Calls{"undo old", "save oldabc"}));
        EXPECT_FALSE(view->edited());
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("d"));
        EXPECT_EQ(delegate.calls.back(), "undo oldabc") << "the next edit starts from the stored text";
        elsewhere->setFocus();
    }
}

TEST_F(FieldViewsTest, AnEditThatCouldNotBeStoredStaysInTheForm)
{
    auto view = make(FieldType::SmallText);
    show();
    view->setText("old");
    delegate.saveSucceeds = false;
    retype(view->textView(), "new");
    QTest::keyClick(view->textView(), Qt::Key_Return);
    EXPECT_TRUE(view->edited());
    EXPECT_EQ(view->text(), "new");
    QTest::keyClicks(view->textView(), QStringLiteral("er"));
    QTest::keyClick(view->textView(), Qt::Key_Return);
    EXPECT_EQ(delegate.calls, (Calls{"undo old", "save new", "save newer"})) << "one edit, tried twice";
}

TEST_F(FieldViewsTest, NumbersAreStoredAsTypedOnlyWhenTheyReadBackTheSame)
{
    struct Case {
        const char* typed;
        std::optional<std::string> stored; // nullopt: refused
        Qt::Key leaveBy;
    };
    const std::vector<Case> cases = {
        {"1,25", "1.25", Qt::Key_Return},        {"-3", "-3", Qt::Key_Tab},          {"", "", Qt::Key_Return},
        {"1.250", std::nullopt, Qt::Key_Return}, {"abc", std::nullopt, Qt::Key_Tab},
    };
    auto view = make(FieldType::Number);
    show();
    auto* field = static_cast<QLineEdit*>(view->textView());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        view->setText("7");
        delegate.calls.clear();
        const std::size_t alertsBefore = alerts.asked().size();
        retype(field, c.typed);
        QTest::keyClick(field, c.leaveBy);
        if (c.stored) {
            EXPECT_EQ(delegate.calls, (Calls{"undo 7", "save " + *c.stored, "number 7"}));
            EXPECT_EQ(field->text().toStdString(), *c.stored);
            EXPECT_EQ(alerts.asked().size(), alertsBefore);
        } else {
            // Nothing is stored: the old value stays the field's, the typed
            // text stays on screen with the focus, and the user is told.
            EXPECT_EQ(delegate.calls, Calls{"undo 7"});
            EXPECT_EQ(view->text(), "7");
            EXPECT_EQ(field->text().toStdString(), c.typed);
            EXPECT_TRUE(field->hasFocus());
            ASSERT_EQ(alerts.asked().size(), alertsBefore + 1);
            EXPECT_EQ(alerts.asked().back().title, NumberRule::kRefusalTitle);
            EXPECT_EQ(alerts.asked().back().message, NumberRule::kRefusalMessage);
            EXPECT_EQ(alerts.asked().back().buttons, std::vector<std::string>{"OK"});
        }
    }
}

TEST_F(FieldViewsTest, ANumberBackFromUndoIsRewrittenAndAnnouncedWithoutLooping)
{
    auto view = make(FieldType::Number);
    view->setText("5");
    view->setObject(std::string("1.234568e+08"));
    delegate.save();
    EXPECT_EQ(delegate.calls, (Calls{"number 7", "save 1.234568e+08", "number 7"}));
    EXPECT_EQ(view->text(), "123456800");

    // A section whose recalculation stores the number view again.
    delegate.calls.clear();
    delegate.onNumberChanged = [&] { delegate.save(); };
    view->setObject(std::string("2.5"));
    EXPECT_EQ(delegate.calls, (Calls{"number 7", "save 2.5"}));
    EXPECT_FALSE(view->edited());
}

TEST_F(FieldViewsTest, EditingAnEmptyDateStoresNowAndClearEmptiesIt)
{
    const ScopedClockOverride clock(1700000000.0);
    auto view = make<DateKindFieldViewController>(FieldType::Date);
    show();
    view->setDate(std::nullopt);
    auto* clear = part<QToolButton>(*view, "clear");
    EXPECT_FALSE(clear->isVisible());
    clickNearStart(part<QToolButton>(*view, "edit"));
    EXPECT_EQ(delegate.calls, (Calls{"undo none", "save 1700000000"}));
    EXPECT_EQ(view->dateValue(), 1700000000);
    EXPECT_TRUE(part<QDateTimeEdit>(*view, "picker")->hasFocus());
    EXPECT_TRUE(part<QToolButton>(*view, "now")->isVisible());

    clickNearStart(clear);
    EXPECT_EQ(delegate.calls, (Calls{"undo none", "save 1700000000", "undo 1700000000", "save "}));
    EXPECT_EQ(view->dateValue(), std::nullopt);
    EXPECT_FALSE(clear->isVisible());
    EXPECT_FALSE(part<QDateTimeEdit>(*view, "picker")->isVisible());
}

TEST_F(FieldViewsTest, TabInTheDatePickerGoesToTheNextField)
{
    auto view = make<DateKindFieldViewController>(FieldType::DateTime);
    auto next = make(FieldType::SmallText);
    show();
    view->setDate(std::int64_t{1000000000});
    clickNearStart(part<QToolButton>(*view, "edit"));
    auto* picker = part<QDateTimeEdit>(*view, "picker");
    ASSERT_TRUE(picker->hasFocus());
    QTest::keyClick(picker, Qt::Key_Tab);
    EXPECT_TRUE(next->textView()->hasFocus());
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(delegate.calls, Calls{}) << "looking is no edit";
}

TEST_F(FieldViewsTest, DatesFarOutsideThe32BitYearsSurviveShowingAndPicking)
{
    auto view = make<DateKindFieldViewController>(FieldType::DateTime);
    show();
    const DateFormat format = DateDisplay::fieldFormat(FieldType::DateTime);
    for (const std::int64_t seconds : {std::int64_t{-5000000000}, std::int64_t{-93000000000},
                                       std::int64_t{4200000000}, std::int64_t{800000000000}}) {
        SCOPED_TRACE(seconds);
        view->setDate(seconds);
        EXPECT_EQ(part<QLineEdit>(*view, "dateText")->text().toStdString(),
                  DateDisplay::text(format, seconds));
        clickNearStart(part<QToolButton>(*view, "edit"));
        elsewhere->setFocus();
        EXPECT_EQ(view->text(), std::to_string(seconds));
    }
    EXPECT_EQ(delegate.calls, Calls{});
}

TEST_F(FieldViewsTest, AChosenPictureIsScaledForTheRecord)
{
    const std::string folder = makeTempFolder("pictures");
    auto view = make<PictureFieldViewController>(FieldType::Image);
    show();
    // Named as cameras name them, the extension in capitals; the scaling
    // rule itself is the core's table.
    const std::string path = folder + "/IMG_0640.JPG";
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPG"));
    panels.queueAnswer(path);
    clickNearStart(part<QLabel>(*view, "well"));
    ASSERT_NE(view->image(), nullptr);
    EXPECT_EQ(view->image()->width(), 320);
    EXPECT_EQ(view->image()->height(), 240);
    EXPECT_EQ(delegate.calls, (Calls{"undo none", "save "}));
    const auto types = panels.openRequests().back().types;
    EXPECT_EQ(types, (std::vector<std::string>{"tiff", "png", "jpg", "jpeg", "tif"}));

    // A file that is no picture changes nothing and says why.
    view->setImage(nullptr);
    delegate.calls.clear();
    const std::string notes = folder + "/notes.png";
    ASSERT_TRUE(FileManager::writeFileAtomically(notes, std::string("a shopping list")));
    panels.queueAnswer(notes);
    clickNearStart(part<QLabel>(*view, "well"));
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_EQ(delegate.calls, Calls{});
    ASSERT_EQ(alerts.asked().size(), 1u);
    EXPECT_EQ(alerts.asked()[0].title, "The picture cannot be used.");
    FileManager::removeItem(folder);
}

TEST_F(FieldViewsTest, APicturesMenuOpensAndDeletesIt)
{
    const std::string folder = makeTempFolder("pictures");
    const std::string path = folder + "/3";
    ASSERT_TRUE(Image(8, 4, std::vector<std::uint8_t>(128, 50)).writeTiffJpeg(path));
    auto view = make<PictureFieldViewController>(FieldType::Image);
    show();
    view->setImage(std::make_shared<const Image>(8, 4, std::vector<std::uint8_t>(128, 50)));
    view->setPath(path);

    auto* well = part<QLabel>(*view, "well");
    const auto choose = [&](const QString& title) {
        clickNearStart(well);
        auto* menu = view->view()->findChild<QMenu*>();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(menu->isVisible());
        EXPECT_EQ(menu->title(), QStringLiteral("Contextual Menu"));
        EXPECT_EQ(entryTexts(*menu), (QStringList{"Open Image", "Change Image", "", "Delete Image"}));
        clickEntry(*menu, title);
    };
    choose(QStringLiteral("Open Image"));
    EXPECT_EQ(opened, Calls{"file://" + path});
    choose(QStringLiteral("Delete Image"));
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_EQ(delegate.calls, (Calls{"undo 8x4", "save "}));
    FileManager::removeItem(folder);
}

TEST_F(FieldViewsTest, ChoosingTheEmptyItemStoresNothingChosen)
{
    auto view = make<ChooseFieldViewController>(FieldType::Choose);
    show();
    view->setPopUpContent({"A", "B"});
    view->setSelectedRow(0);
    auto* popUp = static_cast<QComboBox*>(view->textView());
    ASSERT_EQ(popUp->count(), 3);
    EXPECT_EQ(popUp->itemText(2), QString());
    popUp->setFocus();
    QTest::keyClick(popUp, Qt::Key_End);
    EXPECT_EQ(delegate.calls, (Calls{"undo 0", "save -1"}));
    QTest::keyClick(popUp, Qt::Key_Up);
    EXPECT_EQ(delegate.calls, (Calls{"undo 0", "save -1", "undo 2", "save 1"}));
    view->setSelectedRow(7);
    EXPECT_EQ(view->text(), "-1") << "a row past the items shows nothing chosen";
}

TEST_F(FieldViewsTest, ACheckboxReadsItsStoredTextAndStoresAClick)
{
    auto view = make<CheckboxFieldViewController>(FieldType::Checkbox);
    show();
    view->setCaption("Paid");
    view->setState("yes");
    auto* box = static_cast<QCheckBox*>(view->textView());
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->text(), QStringLiteral("Paid"));
    clickNearStart(box);
    EXPECT_EQ(delegate.calls, (Calls{"undo 1", "save 0"}));
}

TEST_F(FieldViewsTest, APasswordAsksForTheProtectionPasswordOnlyWhenBothOptionsAreOn)
{
    struct Case {
        const char* name;
        bool ask, protect, given;
        Calls calls;
        bool revealed;
    };
    const std::vector<Case> cases = {
        {"NeitherOption", false, false, true, {"shown"}, true},
        {"FieldAsksProtectionOff", true, false, true, {"shown"}, true},
        {"ProtectionOnFieldDoesNotAsk", false, true, true, {"shown"}, true},
        {"BothGiven", true, true, true, {"ask", "shown", "ask"}, true},
        {"BothRefused", true, true, false, {"ask", "ask"}, false},
    };
    auto view = make<PasswdFieldViewController>(FieldType::Password);
    show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(ProtectionPassword().setProtect(c.protect));
        view->setAskPasswd(c.ask);
        view->setText("s3cret");
        view->showPasswd(false);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        delegate.passwordGiven = c.given;
        delegate.calls.clear();
        clickNearStart(part<QPushButton>(*view, "show"));
        clickNearStart(part<QPushButton>(*view, "copy"));
        EXPECT_EQ(delegate.calls, c.calls);
        const auto* field = static_cast<QLineEdit*>(view->textView());
        EXPECT_EQ(field->echoMode() == QLineEdit::Normal, c.revealed);
        EXPECT_EQ(QGuiApplication::clipboard()->text() == QStringLiteral("s3cret"), c.revealed);
    }
}

TEST_F(FieldViewsTest, LinkAndEmailButtonsOpenTheirAddresses)
{
    struct Case {
        int type;
        const char* typed;
        Calls opened;
    };
    const std::vector<Case> cases = {
        {FieldType::Link, "example.com", {"http://example.com"}},
        {FieldType::Link, "file:///etc/passwd", {}},
        {FieldType::Email, "ann@example.com", {"mailto:ann@example.com"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto view = make(c.type);
        show();
        opened.clear();
        view->setText("");
        auto* button = part<QToolButton>(*view, "open");
        EXPECT_FALSE(button->isEnabled());
        retype(view->textView(), c.typed);
        EXPECT_TRUE(button->isEnabled());
        clickNearStart(button);
        EXPECT_EQ(opened, c.opened);
    }
    ASSERT_EQ(alerts.asked().size(), 1u);
    EXPECT_EQ(alerts.asked()[0].title, "This link is not opened.");
}

TEST_F(FieldViewsTest, ALargeTextFieldGrowsByDraggingButNotBelowItsFloor)
{
    auto view = make<LargeTextFieldViewController>(FieldType::LargeText);
    view->setInterfaceChangesDelegate(&delegate);
    show();
    const int chrome = view->overallFieldHeight() - view->fieldHeight();
    EXPECT_EQ(view->fieldHeight(), 117);
    auto* handle = part<QWidget>(*view, "growHandle");
    const auto drag = [&](int by) {
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(handle, QPoint(5, 5 + by));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(5, 5));
    };
    drag(50);
    EXPECT_EQ(view->fieldHeight(), 167);
    EXPECT_EQ(view->view()->height(), 167 + chrome);
    drag(-100);
    EXPECT_EQ(view->fieldHeight(), 117);
    drag(-30);
    EXPECT_EQ(delegate.calls, (Calls{"step 50", "grew " + std::to_string(167 + chrome), "step -50",
                                     "grew " + std::to_string(117 + chrome)}))
        << "at the floor a drag changes nothing and stores nothing";

    view->setOverallFieldHeight(40);
    EXPECT_EQ(view->fieldHeight(), 117);
    view->setText(std::string(60, '\n'));
    EXPECT_GE(view->wholeTextHeight(), 60 * view->textView()->fontMetrics().lineSpacing());
}

TEST_F(FieldViewsTest, TheMainFieldIsDrawnTwoPointsLarger)
{
    auto view = make(FieldType::Main);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(13);
    view->setLabelFont(font);
    view->setTextFont(font);
    EXPECT_EQ(view->textView()->font().pointSizeF(), 15);
    EXPECT_EQ(view->view()->findChild<QLabel*>()->font().pointSizeF(), 15);
}

TEST_F(FieldViewsTest, TheRecordsDatesUseTheFormsPatternAndNoneIsBlank)
{
    auto view = make<CreatedModifiedDateFieldViewController>(FieldType::CreationDate);
    view->setCreatedDate(std::int64_t{1700000000});
    view->setModifiedDate(std::nullopt);
    const auto labels = view->view()->findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* label : labels) {
        texts << label->text();
    }
    const std::string created =
        DateDisplay::recordDateText(DateDisplay::recordDateFormat(), std::int64_t{1700000000});
    EXPECT_TRUE(texts.contains(QString::fromStdString(created))) << texts.join('|').toStdString();
    EXPECT_EQ(texts.count(QString()), 1) << "the modified date of a record never modified";
}

} // namespace
