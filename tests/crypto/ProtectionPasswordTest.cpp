// The protection password: the panel's steps and what they leave in the
// preferences, read back from the file by Python's plistlib.
#include "crypto/CryptoTestSupport.h"

#include "crypto/ProtectionPassword.h"
#include "library/PasswordPanelFlow.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "support/LogCapture.h"
#include "support/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace dossiva;
using namespace dossiva::test;

namespace {

class ProtectionPasswordTest : public ::testing::Test {
protected:
    TestHome home;
    ProtectionPassword password;
    PasswordPanelFlow flow{password};

    // Sets a password through the panel as a user would: entry, confirmation.
    void setThroughPanel(const std::string& text)
    {
        flow.setPassword();
        ASSERT_EQ(flow.passwdButtonClick(PasswordMode::NewPassword, text).modalResult, std::nullopt);
        ASSERT_EQ(flow.passwdButtonClick(PasswordMode::Confirm, text).modalResult, PasswordMode::Confirm);
    }

    // Checks a password through the panel: the modal result, or nullopt
    // when the panel stays open.
    std::optional<int> askThroughPanel(const std::string& text)
    {
        flow.askPassword();
        return flow.passwdButtonClick(PasswordMode::Check, text).modalResult;
    }

    // Protect and ProtectPasswd as the preferences file holds them.
    std::string storedInFile() const
    {
        static const char* const script = "import plistlib, sys\n"
                                          "with open(sys.argv[1], 'rb') as f: p = plistlib.load(f)\n"
                                          "d = p.get('ProtectPasswd')\n"
                                          "print(p.get('Protect'), type(d).__name__, d.hex() if d else '')\n";
        std::string output;
        runPython(script, {Paths::preferencesFile()}, output);
        return output;
    }
};

TEST_F(ProtectionPasswordTest, CheckingAfterSetting)
{
    struct Case {
        const char* stored;
        const char* typed;
        bool accepted;
    };
    const Case cases[] = {
        {"secret", "secret", true},
        {"secret", "Secret", false},
        {"secret", "secret ", false},
        {"caf\xc3\xa9", "caf\xc3\xa9", true},
        {"caf\xc3\xa9", "cafe", false},
        // The digest sees "caf" and the first byte of the accented letter,
        // so any letter starting with that byte passes. Stored digests were
        // made this way and are kept.
        {"caf\xc3\xa9", "caf\xc3\xa8", true},
        {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac", true},
    };
    for (const auto& c : cases) {
        setThroughPanel(c.stored);
        UserDefaults::resetStandard(); // as at the next launch
        ProtectionPassword relaunched;
        PasswordPanelFlow panel(relaunched);
        panel.askPassword();
        const PasswordStep step = panel.passwdButtonClick(PasswordMode::Check, c.typed);
        EXPECT_EQ(step.modalResult.has_value(), c.accepted) << c.stored << " / " << c.typed;
        EXPECT_EQ(step.alert.has_value(), !c.accepted);
        if (step.alert) {
            EXPECT_STREQ(step.alert->title, "Error");
            EXPECT_STREQ(step.alert->message, "Wrong password");
            EXPECT_EQ(panel.mode(), PasswordMode::Check) << "the panel stays and asks again";
        } else {
            EXPECT_EQ(step.modalResult, PasswordMode::Check);
        }
    }
}

TEST_F(ProtectionPasswordTest, ADigestWrittenElsewhereIsAccepted)
{
    // A preferences file from an earlier launch, written without our code.
    std::filesystem::create_directories(Paths::preferencesFolder());
    static const char* const script =
        "import hashlib, plistlib, sys\n"
        "p = {'Protect': True, 'ProtectPasswd': hashlib.sha1(b'letmein').digest()}\n"
        "with open(sys.argv[1], 'wb') as f: plistlib.dump(p, f)\n";
    std::string output;
    ASSERT_EQ(runPython(script, {Paths::preferencesFile()}, output), 0);
    UserDefaults::resetStandard();
    EXPECT_TRUE(password.isProtected());
    EXPECT_EQ(askThroughPanel("letmein"), PasswordMode::Check);
    EXPECT_EQ(askThroughPanel("letmeout"), std::nullopt);
}

TEST_F(ProtectionPasswordTest, PanelSteps)
{
    flow.askPassword();
    EXPECT_EQ(flow.title(), "Enter Password");
    EXPECT_EQ(flow.mode(), PasswordMode::Check);

    flow.setPassword();
    EXPECT_EQ(flow.title(), "Enter Password");
    PasswordStep step = flow.passwdButtonClick(PasswordMode::NewPassword, "first");
    EXPECT_TRUE(step.clearField);
    EXPECT_FALSE(step.alert);
    EXPECT_EQ(flow.title(), "Confirm password");
    EXPECT_EQ(flow.mode(), PasswordMode::Confirm);

    step = flow.passwdButtonClick(PasswordMode::Confirm, "frist");
    ASSERT_TRUE(step.alert);
    EXPECT_STREQ(step.alert->title, "Error");
    EXPECT_STREQ(step.alert->message, "Passwords don't match");
    EXPECT_STREQ(step.alert->button, "OK");
    EXPECT_TRUE(step.clearField);
    EXPECT_EQ(step.modalResult, std::nullopt);
    EXPECT_EQ(flow.title(), "Enter password");
    EXPECT_EQ(flow.mode(), PasswordMode::NewPassword);
    EXPECT_FALSE(password.isProtected());
    EXPECT_FALSE(password.hasStoredPassword());

    // The refused first entry is gone: confirming it now is a new first entry.
    step = flow.passwdButtonClick(PasswordMode::NewPassword, "second");
    EXPECT_EQ(flow.mode(), PasswordMode::Confirm);
    EXPECT_EQ(flow.passwdButtonClick(PasswordMode::Confirm, "second").modalResult, PasswordMode::Confirm);
    EXPECT_TRUE(password.matches("second"));
    EXPECT_FALSE(password.matches("first"));
}

TEST_F(ProtectionPasswordTest, CancelEndsEveryModeAndStoresNothing)
{
    for (const int mode : {PasswordMode::Check, PasswordMode::NewPassword, PasswordMode::Confirm}) {
        flow.setPassword();
        if (mode == PasswordMode::Check) {
            flow.askPassword();
        } else if (mode == PasswordMode::Confirm) {
            flow.passwdButtonClick(PasswordMode::NewPassword, "typed");
        }
        ASSERT_EQ(flow.mode(), mode);
        const PasswordStep step = flow.passwdButtonClick(PasswordMode::Cancel, "typed");
        EXPECT_EQ(step.modalResult, PasswordMode::Cancel) << mode;
        EXPECT_FALSE(step.alert);
    }
    EXPECT_FALSE(password.isProtected());
    EXPECT_FALSE(std::filesystem::exists(Paths::preferencesFile()));
}

TEST_F(ProtectionPasswordTest, AnEmptyFieldCannotBeSubmitted)
{
    EXPECT_FALSE(PasswordPanelFlow::isOKEnabled(""));
    EXPECT_TRUE(PasswordPanelFlow::isOKEnabled(" "));
    setThroughPanel("secret");
    for (const int mode : {PasswordMode::Check, PasswordMode::NewPassword}) {
        mode == PasswordMode::Check ? flow.askPassword() : flow.setPassword();
        const PasswordStep step = flow.passwdButtonClick(mode, "");
        EXPECT_FALSE(step.alert || step.clearField || step.modalResult) << mode;
        EXPECT_EQ(flow.mode(), mode);
    }
    EXPECT_TRUE(password.matches("secret"));
}

TEST_F(ProtectionPasswordTest, SwitchingOffKeepsTheDigest)
{
    setThroughPanel("secret");
    const auto before = UserDefaults::standard().object(ProtectionPassword::kProtectPasswdKey);
    ASSERT_EQ(askThroughPanel("secret"), PasswordMode::Check);
    ASSERT_TRUE(password.setProtect(false));
    EXPECT_FALSE(password.isProtected());
    EXPECT_EQ(UserDefaults::standard().object(ProtectionPassword::kProtectPasswdKey), before);
    EXPECT_EQ(storedInFile(), "False bytes " + pythonPasswordDigest("sha1", "secret") + "\n");
    EXPECT_TRUE(password.matches("secret"));
}

TEST_F(ProtectionPasswordTest, StoredValuesThatAreNotADigestNeverMatch)
{
    auto& defaults = UserDefaults::standard();
    const auto digest = *ProtectionPassword::passwordDigest("secret");
    const PropertyList bad[] = {
        PropertyList(std::string("secret")),
        PropertyList(std::int64_t{20}),
        PropertyList(PropertyList::Data(digest.begin(), digest.end() - 1)),
        PropertyList(PropertyList::Data{}),
    };
    for (const auto& value : bad) {
        defaults.set(ProtectionPassword::kProtectPasswdKey, value);
        EXPECT_FALSE(password.matches("secret"));
        EXPECT_EQ(askThroughPanel("secret"), std::nullopt);
    }
    defaults.remove(ProtectionPassword::kProtectPasswdKey);
    EXPECT_FALSE(password.matches("secret"));
    EXPECT_FALSE(password.hasStoredPassword());
}

TEST_F(ProtectionPasswordTest, APasswordThatCannotBeSavedLeavesProtectionAsItWas)
{
    const LogCapture log;
    setThroughPanel("secret");
    const auto refused = [this](const std::string& typed) {
        flow.setPassword();
        flow.passwdButtonClick(PasswordMode::NewPassword, typed);
        const PasswordStep step = flow.passwdButtonClick(PasswordMode::Confirm, typed);
        ASSERT_TRUE(step.alert);
        EXPECT_STREQ(step.alert->message, "The password could not be saved");
        EXPECT_EQ(step.modalResult, PasswordMode::Cancel);
        EXPECT_TRUE(password.matches("secret")) << "the previous password stays";
        EXPECT_FALSE(password.matches(typed));
    };
    refused("caf\xe9"); // not UTF-8: no digest

    // A folder where the file belongs: the atomic rename over it fails.
    std::filesystem::remove(Paths::preferencesFile());
    std::filesystem::create_directories(Paths::preferencesFile() + "/blocked");
    refused("other");
    EXPECT_FALSE(password.storePassword("other"));
    EXPECT_FALSE(password.matches("other"));
    EXPECT_FALSE(password.setProtect(false));
    EXPECT_TRUE(password.isProtected());
}

} // namespace
