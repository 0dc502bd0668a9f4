// What dossiva-cli prints of a stored value: never a control character that
// could drive the user's terminal, and line breaks still readable in tables.
#include "cli/CliRunner.h"

#include "support/TestDatabase.h"

#include "storage/DBManager.h"

#include <gtest/gtest.h>

using namespace dossiva;
using namespace dossiva::test;

namespace {

struct StoredText {
    const char* name;
    std::string stored;
    std::string shown; // in a table cell
};

void PrintTo(const StoredText& c, std::ostream* os)
{
    *os << c.name;
}

// Where the first control character other than a line end is in the
// output (C1 controls in their UTF-8 form included), or npos.
std::size_t firstControl(const std::string& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto byte = static_cast<unsigned char>(out[i]);
        const auto next = i + 1 < out.size() ? static_cast<unsigned char>(out[i + 1]) : 0;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7f || (byte == 0xc2 && next >= 0x80 && next <= 0x9f)) {
            return i;
        }
    }
    return std::string::npos;
}

class TerminalOutputTest : public testing::TestWithParam<StoredText> {
protected:
    TestLibrary library;
    std::string package = library.makePackage("Shop");

    TerminalOutputTest() { DBManager::sharedIstance().openDB(); }
};

TEST_P(TerminalOutputTest, TablesShowControlsAsQuestionMarks)
{
    const CliResult added = runCli({"add-record", "Shop", "Name=" + GetParam().stored});
    ASSERT_EQ(added.status, 0) << added.err;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"records", "Shop"},
                                                 {"show", "Shop"},
                                                 {"records", "Shop", "--format", "json"}}) {
        const CliResult listed = runCli(args);
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(firstControl(listed.out), std::string::npos) << args.back() << ":\n" << listed.out;
        if (args.back() != "json") {
            EXPECT_NE(listed.out.find("  " + GetParam().shown + "  "), std::string::npos) << args[0] << ":\n"
                                                                                          << listed.out;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, TerminalOutputTest,
    testing::Values(StoredText{"ColourSequence", "a\x1b[31mred", "a?[31mred"},
                    StoredText{"LoneEscape", "end\x1b", "end?"},
                    StoredText{"C1ControlSequenceIntroducer",
                               "a\xc2\x9b"
                               "2Jb",
                               "a?2Jb"},
                    StoredText{"Delete",
                               "a\x7f"
                               "b",
                               "a?b"},
                    StoredText{"BellAndBackspace",
                               "a\x07\x08"
                               "b",
                               "a??b"},
                    StoredText{"BytesThatAreNotUtf8",
                               "a\xff\x9b"
                               "b",
                               "a??b"},
                    StoredText{"LineBreaks", "one\ntwo\r\nthree\rfour", "one\u21b5two\u21b5three\u21b5four"},
                    StoredText{"Tab", "a\tb", "a b"},
                    StoredText{"PlainUnicode", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                               "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
