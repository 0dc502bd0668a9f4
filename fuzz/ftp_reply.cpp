// What the FTP client reads from a server's replies: the greeting, the
// passive address and the working directory.
#include "FuzzInput.h"

#include "sync/FtpReplyParser.h"

using namespace dossiva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const bool truncated = input.choose(2) == 1;
    const std::string_view reply = input.rest();
    FtpReplyParser::greetingSupportsTemplates(reply);
    FtpReplyParser::passiveAddress(reply);
    FtpReplyParser::workingDirectory(reply, truncated);
    return 0;
}
